#include "PageNavigation.h"

// Only std::shared_ptr is used; this keeps qpdf 11 from warning about its old PointerHolder.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <set>
#include <string>
#include <utility>

namespace {

using Entry = PdfPostProcessor::OutlineEntry;
using Entries = PageNavigation::Entries;

// Deeper outlines and name trees are damaged or hostile, and readers show no
// more levels of an outline; what lies below is left out.
constexpr int kDepthLimit = 50;

// A page of a source and how a destination shows it.
struct Target
{
    QPDFObjGen page;
    QString view; // the destination's items after the page
};

struct OutlineItem
{
    QString title;
    Target target;
    QColor color;
    int style = 0;
    bool open = false;
    std::vector<OutlineItem> children;
};

// Where each source page's first copy is: its output page and index.
using PageKey = std::pair<QPDF *, QPDFObjGen>;
using FirstCopies = std::map<PageKey, std::pair<QPDFObjectHandle, int>>;

// Marks an indirect object as seen; false when it was seen before.
bool firstVisit(QPDFObjectHandle object, std::set<QPDFObjGen> &seen)
{
    return !object.isIndirect() || seen.insert(object.getObjGen()).second;
}

// The items after the page, when they are what a view is made of.
QString viewOf(QPDFObjectHandle dest)
{
    std::string view;
    const int n = dest.getArrayNItems();
    for (int i = 1; i < n; ++i) {
        QPDFObjectHandle item = dest.getArrayItem(i);
        if (!(item.isName() || item.isNumber() || item.isNull()) || (i == 1 && !item.isName()))
            return {};
        view += (i > 1 ? " " : "") + item.unparseResolved();
    }
    return QString::fromStdString(view);
}

// An explicit destination, also as the value of a named one (<< /D [...] >>).
Target explicitTarget(QPDFObjectHandle dest)
{
    if (dest.isDictionary())
        dest = dest.getKey("/D");
    if (!dest.isArray() || dest.getArrayNItems() < 1)
        return {};
    QPDFObjectHandle page = dest.getArrayItem(0);
    if (!page.isIndirect() || !page.isDictionary())
        return {};
    return {page.getObjGen(), viewOf(dest)};
}

// Where a link or outline item keeps its destination inside the file: its
// /Dest, or its go-to action's /D. `holder` is uninitialized for one that
// leads elsewhere (the web, another file) or does nothing.
struct Destination
{
    QPDFObjectHandle holder;
    std::string key;

    explicit Destination(QPDFObjectHandle item)
    {
        QPDFObjectHandle action = item.getKey("/A");
        if (item.hasKey("/Dest"))
            *this = {item, "/Dest"};
        else if (action.isDictionary() && action.getKey("/S").isNameAndEquals("/GoTo"))
            *this = {action, "/D"};
    }
    Destination(QPDFObjectHandle holder, std::string key)
        : holder(holder)
        , key(std::move(key))
    {}

    bool internal() const { return holder.isInitialized(); }
    QPDFObjectHandle get() { return internal() ? holder.getKey(key) : QPDFObjectHandle(); }
};

QPDFObjectHandle explicitDestination(QPDFObjectHandle page, const QString &view)
{
    QPDFObjectHandle dest = QPDFObjectHandle::parse(
        "[" + (view.isEmpty() ? std::string("/Fit") : view.toStdString()) + "]");
    dest.insertItem(0, page);
    return dest;
}

} // namespace

// What is read of one source: its named destinations and its outline.
struct PageNavigation::Source
{
    explicit Source(QPDF *pdf)
        : pdf(pdf)
    {}

    Target resolve(QPDFObjectHandle dest)
    {
        if (!dest.isName() && !dest.isString())
            return explicitTarget(dest);
        if (!namesRead)
            readNames();
        const std::string name = dest.isName() ? dest.getName().substr(1) : dest.getStringValue();
        const auto found = names.find(name);
        return found == names.end() ? Target() : explicitTarget(found->second);
    }

    const std::vector<OutlineItem> &outline()
    {
        if (!outlineRead) {
            outlineRead = true;
            std::set<QPDFObjGen> seen;
            try {
                readItems(pdf->getRoot().getKey("/Outlines").getKey("/First"), 0, seen,
                          outlineItems);
            } catch (...) {
            }
        }
        return outlineItems;
    }

private:
    void readNames()
    {
        namesRead = true;
        try {
            QPDFObjectHandle root = pdf->getRoot();
            std::set<QPDFObjGen> seen;
            readNameTree(root.getKey("/Names").getKey("/Dests"), 0, seen);
            // The older dictionary of names.
            QPDFObjectHandle dests = root.getKey("/Dests");
            if (dests.isDictionary())
                for (auto &[key, value] : dests.getDictAsMap())
                    names.emplace(key.substr(1), value);
        } catch (...) {
        }
    }

    void readNameTree(QPDFObjectHandle node, int depth, std::set<QPDFObjGen> &seen)
    {
        if (depth > kDepthLimit || !node.isDictionary() || !firstVisit(node, seen))
            return;
        QPDFObjectHandle pairs = node.getKey("/Names");
        const int n = pairs.isArray() ? pairs.getArrayNItems() : 0;
        for (int i = 0; i + 1 < n; i += 2) {
            QPDFObjectHandle key = pairs.getArrayItem(i);
            if (key.isString())
                names.emplace(key.getStringValue(), pairs.getArrayItem(i + 1));
        }
        QPDFObjectHandle kids = node.getKey("/Kids");
        const int k = kids.isArray() ? kids.getArrayNItems() : 0;
        for (int i = 0; i < k; ++i) {
            try {
                readNameTree(kids.getArrayItem(i), depth + 1, seen);
            } catch (...) {
            }
        }
    }

    // The item chain from `node` on, each with its children; stops where
    // the chain breaks or comes round again.
    void readItems(QPDFObjectHandle node, int depth, std::set<QPDFObjGen> &seen,
                   std::vector<OutlineItem> &into)
    {
        for (; depth < kDepthLimit && node.isDictionary() && firstVisit(node, seen);
             node = node.getKey("/Next")) {
            OutlineItem item;
            try {
                QPDFObjectHandle title = node.getKey("/Title");
                item.title = title.isString() ? QString::fromStdString(title.getUTF8Value()) : "";
                Destination dest(node);
                if (dest.internal())
                    item.target = resolve(dest.get());
                QPDFObjectHandle c = node.getKey("/C");
                if (c.isArray() && c.getArrayNItems() == 3 && c.getArrayItem(0).isNumber() &&
                    c.getArrayItem(1).isNumber() && c.getArrayItem(2).isNumber())
                    item.color = QColor::fromRgbF(c.getArrayItem(0).getNumericValue(),
                                                  c.getArrayItem(1).getNumericValue(),
                                                  c.getArrayItem(2).getNumericValue());
                QPDFObjectHandle f = node.getKey("/F");
                item.style = f.isInteger() ? f.getIntValueAsInt() & 3 : 0;
                QPDFObjectHandle count = node.getKey("/Count");
                item.open = count.isInteger() && count.getIntValue() > 0;
                readItems(node.getKey("/First"), depth + 1, seen, item.children);
            } catch (...) {
            }
            into.push_back(std::move(item));
        }
    }

public:
    QPDF *const pdf;

private:
    bool namesRead = false;
    // Read when a destination names them: most are never used.
    std::map<std::string, QPDFObjectHandle> names;
    bool outlineRead = false;
    std::vector<OutlineItem> outlineItems;
};

namespace {

// The source's items whose page was copied, with the children of those
// whose page was not in their place.
void keptItems(const std::vector<OutlineItem> &items, QPDF *pdf, const FirstCopies &copies,
               Entries &into)
{
    for (const OutlineItem &item : items) {
        const auto copy = copies.find(PageKey(pdf, item.target.page));
        if (!item.target.page.isIndirect() || copy == copies.end()) {
            keptItems(item.children, pdf, copies, into);
            continue;
        }
        Entry entry;
        entry.title = item.title;
        entry.pageIndex = copy->second.second;
        entry.view = item.target.view;
        entry.color = item.color;
        entry.style = item.style;
        entry.open = item.open;
        keptItems(item.children, pdf, copies, entry.children);
        into.append(entry);
    }
}

} // namespace

PageNavigation::PageNavigation() = default;
PageNavigation::~PageNavigation() = default;

PageNavigation::Source &PageNavigation::source(QPDF *pdf)
{
    std::unique_ptr<Source> &found = sources[pdf];
    if (!found)
        found = std::make_unique<Source>(pdf);
    return *found;
}

struct PageNavigation::Copies
{
    FirstCopies first;

    Copies(const std::vector<QPDFObjectHandle> &pages, const std::vector<QPDFObjectHandle> &origins)
    {
        for (size_t i = 0; i < pages.size() && i < origins.size(); ++i) {
            QPDFObjectHandle origin = origins[i];
            if (origin.isInitialized())
                first.emplace(PageKey(origin.getOwningQPDF(), origin.getObjGen()),
                              std::make_pair(pages[i], int(i)));
        }
    }
};

// Whether a link stays; one to a copied page is pointed at its first copy.
// The library copies a page's links as they are, with the pages they lead to
// turned into null, so where they lead is read from the source.
bool PageNavigation::keepLink(QPDFObjectHandle original, QPDFObjectHandle copy, Source &from,
                              const Copies &copies)
{
    if (!original.isDictionary() || !original.getKey("/Subtype").isNameAndEquals("/Link"))
        return true;
    Destination source(original);
    if (!source.internal())
        return true;
    const Target target = from.resolve(source.get());
    const auto found = copies.first.find(PageKey(from.pdf, target.page));
    Destination destination(copy);
    if (!target.page.isIndirect() || found == copies.first.end() || !destination.internal())
        return false;
    destination.holder.replaceKey(destination.key,
                                  explicitDestination(found->second.first, target.view));
    return true;
}

void PageNavigation::keepLinksOn(QPDF &out, QPDFObjectHandle page, QPDFObjectHandle origin,
                                 const Copies &copies)
{
    QPDFObjectHandle originals = origin.getKey("/Annots");
    if (!originals.isArray())
        return;
    Source &from = source(origin.getOwningQPDF());
    std::set<QPDFObjGen> dropped;
    for (QPDFObjectHandle original : originals.getArrayAsVector()) {
        // Only an object of its own can be told apart from its copy.
        if (!original.isIndirect())
            continue;
        try {
            // Already copied with the page: this finds that copy.
            QPDFObjectHandle copy = out.copyForeignObject(original);
            if (!keepLink(original, copy, from, copies))
                dropped.insert(copy.getObjGen());
        } catch (...) {
        }
    }
    if (dropped.empty())
        return;
    // A page copied twice shares the array with its first copy: each gets its own.
    std::vector<QPDFObjectHandle> kept;
    for (QPDFObjectHandle annotation : page.getKey("/Annots").getArrayAsVector())
        if (!annotation.isIndirect() || dropped.count(annotation.getObjGen()) == 0)
            kept.push_back(annotation);
    page.replaceKey("/Annots", QPDFObjectHandle::newArray(kept));
}

void PageNavigation::keepLinks(QPDF &out, const std::vector<QPDFObjectHandle> &origins)
{
    try {
        const std::vector<QPDFObjectHandle> pages = out.getAllPages();
        const Copies copies(pages, origins);
        for (size_t i = 0; i < pages.size() && i < origins.size(); ++i) {
            try {
                if (origins[i].isInitialized())
                    keepLinksOn(out, pages[i], origins[i], copies);
            } catch (...) {
            }
        }
    } catch (...) {
    }
}

PageNavigation::Entries PageNavigation::outline(const std::vector<QPDFObjectHandle> &origins,
                                                Entries files)
{
    try {
        const std::vector<QPDFObjectHandle> unknown(origins.size());
        const Copies copies(unknown, origins);
        const bool underFiles = !files.isEmpty();
        for (Entry &file : files) {
            const size_t at = size_t(file.pageIndex);
            if (at < origins.size() && origins[at].isInitialized()) {
                QPDF *pdf = origins[at].getOwningQPDF();
                keptItems(source(pdf).outline(), pdf, copies.first, file.children);
            }
        }
        std::set<QPDF *> done;
        for (QPDFObjectHandle origin : origins) {
            QPDF *pdf = origin.isInitialized() ? origin.getOwningQPDF() : nullptr;
            if (!underFiles && pdf && done.insert(pdf).second)
                keptItems(source(pdf).outline(), pdf, copies.first, files);
        }
    } catch (...) {
    }
    return files;
}

namespace {

// Whether a link leads into the document: an explicit destination on one of
// its pages, or somewhere else altogether (the web, another file).
bool leadsSomewhere(QPDFObjectHandle link, const std::set<QPDFObjGen> &pages)
{
    QPDFObjectHandle dest = link.getKey("/Dest");
    QPDFObjectHandle action = link.getKey("/A");
    if (dest.isNull() && action.isDictionary()) {
        if (!action.getKey("/S").isNameAndEquals("/GoTo"))
            return true;
        dest = action.getKey("/D");
    }
    if (dest.isNull())
        return true;
    if (!dest.isArray() || dest.getArrayNItems() == 0)
        return false;
    QPDFObjectHandle page = dest.getArrayItem(0);
    return page.isIndirect() && pages.count(page.getObjGen()) > 0;
}

} // namespace

void PageNavigation::dropDeadLinks(QPDF &out)
{
    try {
        std::set<QPDFObjGen> pages;
        for (QPDFObjectHandle page : out.getAllPages())
            pages.insert(page.getObjGen());
        for (QPDFObjectHandle page : out.getAllPages()) {
            QPDFObjectHandle annotations = page.getKey("/Annots");
            if (!annotations.isArray())
                continue;
            std::vector<QPDFObjectHandle> kept;
            for (QPDFObjectHandle annotation : annotations.getArrayAsVector())
                if (!annotation.isDictionary() ||
                    !annotation.getKey("/Subtype").isNameAndEquals("/Link") ||
                    leadsSomewhere(annotation, pages))
                    kept.push_back(annotation);
            if (kept.size() != size_t(annotations.getArrayNItems()))
                page.replaceKey("/Annots", QPDFObjectHandle::newArray(kept));
        }
    } catch (...) {
    }
}
