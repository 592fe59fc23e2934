#include "FormFieldMerger.h"

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <map>
#include <memory>

namespace {

// The forms of the open sources, read once each; null for a source without
// a form or whose form cannot be read.
class SourceForms
{
public:
    QPDFAcroFormDocumentHelper *of(QPDF *source)
    {
        auto found = forms.find(source);
        if (found != forms.end())
            return found->second.get();
        std::unique_ptr<QPDFAcroFormDocumentHelper> form;
        try {
            form = std::make_unique<QPDFAcroFormDocumentHelper>(*source);
            if (!form->hasAcroForm())
                form.reset();
        } catch (...) {
            form.reset();
        }
        return forms.emplace(source, std::move(form)).first->second.get();
    }

private:
    std::map<QPDF *, std::unique_ptr<QPDFAcroFormDocumentHelper>> forms;
};

// The copied widgets still name the page they were first copied onto.
void pointAnnotationsAt(QPDFObjectHandle page)
{
    QPDFObjectHandle annotations = page.getKey("/Annots");
    if (!annotations.isArray())
        return;
    for (QPDFObjectHandle annotation : annotations.aitems()) {
        if (annotation.isDictionary() && annotation.hasKey("/P"))
            annotation.replaceKey("/P", page);
    }
}

// The form-wide defaults of the first source, for fields that inherit them.
void takeDefaults(QPDF &out, QPDF &source)
{
    QPDFObjectHandle form = out.getRoot().getKey("/AcroForm");
    QPDFObjectHandle from = source.getRoot().getKey("/AcroForm");
    if (!form.isDictionary() || !from.isDictionary())
        return;
    for (const char *key : {"/DA", "/Q"}) {
        QPDFObjectHandle value = from.getKey(key);
        if ((value.isString() || value.isInteger()) && !form.hasKey(key))
            form.replaceKey(key, value.shallowCopy());
    }
}

// A field at the top of the form has no parent: one that names one closes a
// loop in a damaged source's field tree.
void cutLoops(QPDF &out)
{
    QPDFObjectHandle form = out.getRoot().getKey("/AcroForm");
    QPDFObjectHandle fields = form.isDictionary() ? form.getKey("/Fields") : form;
    if (!fields.isArray())
        return;
    for (QPDFObjectHandle field : fields.aitems()) {
        if (field.isDictionary())
            field.removeKey("/Parent");
    }
}

} // namespace

void FormFieldMerger::apply(QPDF &out, const std::vector<QPDFObjectHandle> &origins)
{
    try {
        // Until they are fixed, the copied widgets belong to no form, which the
        // library would note for every one of them.
        out.setSuppressWarnings(true);
        const std::vector<QPDFObjectHandle> pages = out.getAllPages();
        SourceForms sources;
        std::unique_ptr<QPDFAcroFormDocumentHelper> form;
        QPDF *first = nullptr;
        bool redraw = false;
        for (size_t i = 0; i < pages.size() && i < origins.size(); ++i) {
            QPDFObjectHandle page = pages[i];
            QPDFObjectHandle origin = origins[i];
            // A page cropped to nothing is blank and has no annotations.
            if (!origin.isInitialized() || !origin.getOwningQPDF() || !page.hasKey("/Annots"))
                continue;
            QPDFAcroFormDocumentHelper *from = sources.of(origin.getOwningQPDF());
            if (!from)
                continue;
            try {
                if (!form)
                    form = std::make_unique<QPDFAcroFormDocumentHelper>(out);
                form->fixCopiedAnnotations(page, origin, *from);
                pointAnnotationsAt(page);
                redraw = redraw || from->getNeedAppearances();
                if (!first)
                    first = origin.getOwningQPDF();
            } catch (...) {
            }
        }
        cutLoops(out);
        if (first)
            takeDefaults(out, *first);
        if (redraw && form && form->hasAcroForm())
            form->setNeedAppearances(true);
    } catch (...) {
    }
}
