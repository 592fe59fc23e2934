#pragma once

class QPDF;

// Makes the fonts embedded in an open PDF smaller, in place; the caller
// writes the file.
//
// - Identical font programs are stored once.
// - Type 1 programs become CFF (Type1C) with Adobe's converter `tx`, when it
//   is installed; a conversion is kept only when every glyph's name, code,
//   width and outline read back the same.
// - TrueType programs (simple fonts with WinAnsi or MacRoman encoding, and
//   CID fonts with Identity encoding and glyph map) keep only the glyphs the
//   pages show, at their old glyph ids, and lose the layout tables that PDF
//   readers never use.
//
// A font used where its glyphs cannot all be known (annotations, Type 3
// glyphs, form fields, content that cannot be read) and a font that a step
// cannot convert faithfully stay exactly as they are. Nothing is thrown.
class FontCompactor
{
public:
    explicit FontCompactor(QPDF &pdf)
        : pdf(pdf)
    {}

    void compact();

private:
    void storeOnce();
    void convertType1();
    void subsetTrueType();

    QPDF &pdf;
};
