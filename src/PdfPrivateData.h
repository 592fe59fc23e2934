#pragma once

class QPDF;

// Removes what only the program that made a PDF reads: its private data
// (/PieceInfo) on pages and forms, page thumbnails, and the XMP packets of
// single images and forms. The document's own XMP (the catalog's /Metadata)
// stays: readers show it as the file's properties.
class PdfPrivateData
{
public:
    // Returns how many entries went. Nothing is thrown; an object that cannot
    // be read keeps what it has.
    static int strip(QPDF &pdf);
};
