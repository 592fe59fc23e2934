#pragma once

#include <vector>

class QPDF;
class QPDFObjectHandle;

// Gives the pages of a document put together from other documents the page
// labels ("iv", "A-3") they had in their sources. `origins` holds, for each
// page of `out`, the source page it copies, or an uninitialized handle for a
// page drawn anew. A page whose source has no labels keeps its page number
// there; a drawn page is numbered by its place in `out`. When no source has
// labels, `out` gets none.
//
// Labels that cannot be read count as missing; a label's parts that make no
// sense are left out. Nothing the library throws leaves this class.
class PageLabelMerger
{
public:
    static void apply(QPDF &out, const std::vector<QPDFObjectHandle> &origins);
};
