#pragma once

#include <vector>

class QPDF;
class QPDFObjectHandle;

// Makes the form fields on pages copied from other documents fields of the
// one form of the document they were copied into, with their values, their
// sources' default resources and appearance, and whether readers must draw
// their appearances anew. `origins` holds, for each page of `out`, the source
// page it copies, or an uninitialized handle for a page drawn anew. Every copy
// of a page gets fields of its own; fields whose names are already taken get
// a suffix ("name+1"), so each copy is filled on its own. Fields of pages not
// copied stay behind.
//
// A page whose fields cannot be read keeps its widgets as the page copy left
// them, outside the form. Nothing the library throws leaves this class.
class FormFieldMerger
{
public:
    static void apply(QPDF &out, const std::vector<QPDFObjectHandle> &origins);
};
