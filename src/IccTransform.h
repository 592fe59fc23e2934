#pragma once

#include <QByteArray>

// Converts pixels from the colours of an ICC profile to sRGB, or to grey
// with sRGB's tone curve, through Little CMS: what a PDF reader would show
// for them, without the profile.
//
//     IccTransform toScreen(profileBytes, 4);
//     if (toScreen.isValid())
//         toScreen.apply(cmykRow, rgbRow, width);
class IccTransform
{
public:
    // `components` is what the image stores: 1 grey, 3 RGB or 4 CMYK (0 is
    // no ink), as the profile must describe. Grey stays grey; the others
    // become RGB. `intent` is a PDF rendering intent name without slash.
    IccTransform(const QByteArray &profile, int components, const QByteArray &intent = {});
    ~IccTransform();
    IccTransform(const IccTransform &) = delete;
    IccTransform &operator=(const IccTransform &) = delete;

    // False when the profile is unreadable or not of `components` colours.
    bool isValid() const { return transform != nullptr; }
    int outputComponents() const { return output; }
    // Whether every colour comes out as it went in, give or take a level:
    // the profile is sRGB, or sRGB's grey, under another name.
    bool keepsColours() const;
    // Converts `pixels` pixels from `in` to `out`.
    void apply(const unsigned char *in, unsigned char *out, int pixels) const;

private:
    void *transform = nullptr; // a cmsHTRANSFORM
    int input = 0;
    int output = 0;
};
