#pragma once

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
};
