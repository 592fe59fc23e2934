#pragma once

#include "PdfPostProcessor.h"

#include <QList>
#include <map>
#include <memory>
#include <vector>

class QPDF;
class QPDFObjectHandle;

// Carries the internal links and the outlines of source documents into a
// document made of copies of their pages. A link or an outline entry that
// leads to a copied page leads to its first copy, with the same view; a link
// whose page was not copied is removed, and an outline entry whose page was
// not copied is left out, its children moving up in its place. Named
// destinations become explicit ones, so that two sources never clash.
// Links to other files and the web stay as they are.
//
// Each source is read once, however many documents its pages go into, so one
// object serves a whole command. Of a damaged, cyclic or very deep outline or
// name tree, what can be read is used. Nothing the library throws leaves this
// class.
//
//     PageNavigation navigation; // lives as long as the sources
//     navigation.keepLinks(out, origins);
//     post.setOutline(navigation.outline(origins, fileEntries));
class PageNavigation
{
public:
    using Entries = QList<PdfPostProcessor::OutlineEntry>;

    PageNavigation();
    ~PageNavigation();
    PageNavigation(const PageNavigation &) = delete;
    PageNavigation &operator=(const PageNavigation &) = delete;

    // `origins[i]` is the source page that page i of `out` copies, or an
    // uninitialized handle for a page drawn anew.
    void keepLinks(QPDF &out, const std::vector<QPDFObjectHandle> &origins);

    // Removes every link whose destination is not a page of `out` (run after
    // anything that copies annotations again).
    static void dropDeadLinks(QPDF &out);

    // The sources' outlines, cut down to the copied pages. Without `files`,
    // each source's outline at top level, in the order of its first page.
    // With them (one entry per source file, at its first page), each gets
    // the outline of its page's source as children.
    Entries outline(const std::vector<QPDFObjectHandle> &origins, Entries files = {});

private:
    struct Source;
    struct Copies;
    Source &source(QPDF *pdf);
    void keepLinksOn(QPDF &out, QPDFObjectHandle page, QPDFObjectHandle origin,
                     const Copies &copies);
    bool keepLink(QPDFObjectHandle original, QPDFObjectHandle copy, Source &from,
                  const Copies &copies);

    std::map<QPDF *, std::unique_ptr<Source>> sources;
};
