#include "IccTransform.h"

#include <lcms2.h>

#include <cstdlib>
#include <vector>

namespace {

cmsUInt32Number intentOf(const QByteArray &name)
{
    if (name == "Perceptual")
        return INTENT_PERCEPTUAL;
    if (name == "Saturation")
        return INTENT_SATURATION;
    if (name == "AbsoluteColorimetric")
        return INTENT_ABSOLUTE_COLORIMETRIC;
    return INTENT_RELATIVE_COLORIMETRIC; // the PDF default
}

// Grey with the tone curve and white of sRGB, which a reader shows as it is.
cmsHPROFILE srgbGrey()
{
    const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve *curve = cmsBuildParametricToneCurve(nullptr, 4, srgb);
    if (!curve)
        return nullptr;
    cmsHPROFILE grey = cmsCreateGrayProfile(cmsD50_xyY(), curve);
    cmsFreeToneCurve(curve);
    return grey;
}

} // namespace

IccTransform::IccTransform(const QByteArray &profile, int components, const QByteArray &intent)
{
    const cmsColorSpaceSignature expected = components == 1   ? cmsSigGrayData
                                            : components == 3 ? cmsSigRgbData
                                                              : cmsSigCmykData;
    if (components != 1 && components != 3 && components != 4)
        return;
    cmsHPROFILE source =
        cmsOpenProfileFromMem(profile.constData(), cmsUInt32Number(profile.size()));
    if (!source)
        return;
    if (cmsGetColorSpace(source) == expected) {
        input = components;
        output = components == 1 ? 1 : 3;
        cmsHPROFILE target = output == 1 ? srgbGrey() : cmsCreate_sRGBProfile();
        const cmsUInt32Number in = components == 1   ? TYPE_GRAY_8
                                   : components == 3 ? TYPE_RGB_8
                                                     : TYPE_CMYK_8;
        if (target)
            transform =
                cmsCreateTransform(source, in, target, output == 1 ? TYPE_GRAY_8 : TYPE_RGB_8,
                                   intentOf(intent), cmsFLAGS_BLACKPOINTCOMPENSATION);
        if (target)
            cmsCloseProfile(target);
    }
    cmsCloseProfile(source);
}

bool IccTransform::keepsColours() const
{
    const int n = output;
    if (!transform || input != output)
        return false;
    // Every level of grey; for RGB a lattice of 17 levels a channel.
    std::vector<unsigned char> in;
    for (int i = 0; i < (n == 1 ? 256 : 17 * 17 * 17); ++i)
        for (int c = 0, v = i; c < n; ++c, v /= 17)
            in.push_back(n == 1 ? i : std::min(255, v % 17 * 16));
    std::vector<unsigned char> out(in.size());
    apply(in.data(), out.data(), int(in.size()) / n);
    for (size_t i = 0; i < in.size(); ++i)
        if (std::abs(in[i] - out[i]) > 1)
            return false;
    return true;
}

IccTransform::~IccTransform()
{
    if (transform)
        cmsDeleteTransform(transform);
}

void IccTransform::apply(const unsigned char *in, unsigned char *out, int pixels) const
{
    if (transform)
        cmsDoTransform(transform, in, out, cmsUInt32Number(pixels));
}
