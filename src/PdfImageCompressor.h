#pragma once

#include <QString>

class QIODevice;

// Makes a PDF smaller by shrinking its pictures while keeping everything
// else (text, drawings, fonts, links) as it is.
//
// Every image shown at more than `dpi` is resampled to that resolution: an
// image's resolution is its pixel size over the size at which the pages place
// it, following the content stream's transformations into form XObjects, and
// an image placed several times keeps the resolution its largest placement
// needs. JPEG images stay JPEG, coded no finer than they were (down to
// quality 50); JPEG 2000 images in grey or RGB (read by JpxDecoder, only the
// levels the size needs) and other images become JPEG or Flate, whichever
// is smaller, and stay lossless when they have few colours or flat areas with
// sharp edges; CMYK images kept as CMYK become CMYK JPEG with the same ink
// convention (Adobe marker, inverting /Decode). A soft mask is resampled to
// its image's new size, losslessly.
//
// An image with an ICC profile is converted through it to sRGB (grey stays
// grey) and loses the profile when that makes the file smaller; so is a
// DeviceCMYK image, through the profile a reader shows it with
// (PdfColourSpaces::deviceCmykProfile), when that saves a tenth of an image
// not resampled or anything of one resampled; a profile
// that is sRGB by another name goes without touching the pixels; a profile
// Little CMS cannot read stays with its image. Photographs under the
// resolution, stored losslessly, as JPEG of much higher quality than asked
// or as CMYK JPEG with its inks coded apart, are recoded when that saves a
// tenth.
//
// Left exactly as they are: images that are not 8 bits per component in
// grey, RGB or CMYK (device, calibrated or ICC-based; so 1-bit, 16-bit,
// Indexed, Lab, DeviceN and Separation images stay),
// JBIG2, CCITT and other JPEG 2000 images, stencil masks, colour-key masks, unusual
// /Decode arrays, images also drawn by patterns, Type 3 glyphs, soft-mask
// groups or annotation appearances, images on pages whose content cannot be
// read, and every image the new coding would not make smaller.
//
// A drawing program's private data, page thumbnails and the XMP packets of
// images and forms are dropped; the document's own XMP stays.
//
// The file is then written with object streams and recompressed streams
// (page content and fonts with libdeflate's thorough search, each only where
// that is smaller), identical images stored once and unused objects left out. When that does
// not make the file smaller, the input is copied through unchanged, so the
// result is never larger than the input; only a damaged input that had to be
// repaired is always written anew.
//
//     PdfImageCompressor compressor({150, PdfImageCompressor::qualityFor(150)});
//     if (!compressor.process(copiedPath, device))
//         warn(compressor.errorString());
//
// Not thread-safe; use one object per file.
class PdfImageCompressor
{
public:
    struct Options
    {
        int dpi = 150;
        int jpegQuality = 75;
    };

    // The JPEG quality that goes with a resolution: the coarser the pictures
    // are asked to be, the coarser they are coded. 60 below 150 dpi, 65 up to
    // 200, then 75.
    static int qualityFor(int dpi);

    // Options() as a default argument trips GCC while the class is incomplete.
    PdfImageCompressor()
        : PdfImageCompressor(Options())
    {}
    explicit PdfImageCompressor(const Options &options);

    // Writes the compressed file into `output`. Returns false, with nothing
    // written, when the input is not a readable PDF;
    // false after writing has started means `output` failed and holds a
    // partial file. Nothing is thrown.
    bool process(const QString &inputPath, QIODevice *output);

    QString errorString() const { return error; }

private:
    Options options;
    QString error;
};
