#pragma once

#include <QByteArray>

class QPDF;

// Colour spaces that pages list but never name in their content: some
// writers list every page's spaces on each page, which keeps colour profiles
// in the file that nothing uses any more once images have dropped them.
class PdfColourSpaces
{
public:
    // Removes such entries from the pages' resources and returns how many
    // went. A page whose content cannot be read keeps all of them. Nothing is
    // thrown.
    static int pruneUnused(QPDF &pdf);

    // The ICC profile through which a reader shows the document's DeviceCMYK:
    // its CMYK output intent, or else the press profile Ghostscript installs
    // (the SWOP-like default readers use). Empty when a page or form maps
    // DeviceCMYK through a /DefaultCMYK of its own, or no profile is found.
    // Reads every object; nothing is thrown.
    static QByteArray deviceCmykProfile(QPDF &pdf);
};
