#include "PageLabelMerger.h"

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageLabelDocumentHelper.hh>

#include <limits>
#include <map>
#include <memory>
#include <string>

namespace {

// One page's label: numbering style (empty for none), prefix, number.
struct Label
{
    std::string style;
    std::string prefix;
    long long number = 1;

    // Whether a page `distance` after this label's first page reads as `next`.
    bool continuesInto(const Label &next, long long distance) const
    {
        return style == next.style && prefix == next.prefix &&
               (style.empty() || number + distance == next.number);
    }

    QPDFObjectHandle toDictionary() const
    {
        QPDFObjectHandle entry = QPDFObjectHandle::newDictionary();
        if (!style.empty())
            entry.replaceKey("/S", QPDFObjectHandle::newName(style));
        if (!prefix.empty())
            entry.replaceKey("/P", QPDFObjectHandle::newUnicodeString(prefix));
        if (number != 1)
            entry.replaceKey("/St", QPDFObjectHandle::newInteger(number));
        return entry;
    }
};

Label decimal(long long number)
{
    return {"/D", {}, number};
}

// What can be read of a label dictionary: readers know five styles and
// number pages from 1; a start past the int range is nonsense too.
Label cleaned(QPDFObjectHandle entry)
{
    Label label;
    QPDFObjectHandle style = entry.getKey("/S");
    if (style.isName()) {
        const std::string name = style.getName();
        if (name == "/D" || name == "/R" || name == "/r" || name == "/A" || name == "/a")
            label.style = name;
    }
    QPDFObjectHandle prefix = entry.getKey("/P");
    if (prefix.isString())
        label.prefix = prefix.getUTF8Value();
    QPDFObjectHandle number = entry.getKey("/St");
    if (number.isInteger() && number.getIntValue() >= 1 &&
        number.getIntValue() <= std::numeric_limits<int>::max())
        label.number = number.getIntValue();
    return label;
}

// The open sources' label trees, read once each; null for a source without
// labels or whose tree cannot be read.
class SourceLabels
{
public:
    bool any = false;

    // The label of `page` in its source; `fallback` when it has no place there.
    Label of(QPDFObjectHandle page, const Label &fallback)
    {
        QPDF *source = page.getOwningQPDF();
        long long index = 0;
        try {
            index = source->findPage(page);
        } catch (...) {
            return fallback;
        }
        if (QPDFPageLabelDocumentHelper *labels = treeOf(source)) {
            try {
                QPDFObjectHandle entry = labels->getLabelForPage(index);
                if (entry.isDictionary())
                    return cleaned(entry);
            } catch (...) {
            }
        }
        return decimal(index + 1);
    }

private:
    QPDFPageLabelDocumentHelper *treeOf(QPDF *source)
    {
        auto found = trees.find(source);
        if (found != trees.end())
            return found->second.get();
        std::unique_ptr<QPDFPageLabelDocumentHelper> tree;
        try {
            tree = std::make_unique<QPDFPageLabelDocumentHelper>(*source);
            if (!tree->hasPageLabels())
                tree.reset();
        } catch (...) {
            tree.reset();
        }
        any = any || tree;
        return trees.emplace(source, std::move(tree)).first->second.get();
    }

    std::map<QPDF *, std::unique_ptr<QPDFPageLabelDocumentHelper>> trees;
};

} // namespace

void PageLabelMerger::apply(QPDF &out, const std::vector<QPDFObjectHandle> &origins)
{
    try {
        SourceLabels sources;
        std::vector<Label> labels;
        for (size_t i = 0; i < origins.size(); ++i) {
            QPDFObjectHandle origin = origins[i];
            const Label byPlace = decimal(static_cast<long long>(i) + 1);
            labels.push_back(origin.isInitialized() && origin.getOwningQPDF()
                                 ? sources.of(origin, byPlace)
                                 : byPlace);
        }
        if (!sources.any)
            return;
        // Only where the numbering does not simply go on.
        QPDFObjectHandle nums = QPDFObjectHandle::newArray();
        size_t start = 0;
        for (size_t i = 0; i < labels.size(); ++i) {
            if (i > 0 && labels[start].continuesInto(labels[i], static_cast<long long>(i - start)))
                continue;
            start = i;
            nums.appendItem(QPDFObjectHandle::newInteger(static_cast<long long>(i)));
            nums.appendItem(labels[i].toDictionary());
        }
        QPDFObjectHandle tree = QPDFObjectHandle::newDictionary();
        tree.replaceKey("/Nums", nums);
        out.getRoot().replaceKey("/PageLabels", out.makeIndirectObject(tree));
    } catch (...) {
        // Without labels rather than with wrong ones.
        try {
            out.getRoot().removeKey("/PageLabels");
        } catch (...) {
        }
    }
}
