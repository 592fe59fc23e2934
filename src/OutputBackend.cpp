#include "OutputBackend.h"

#include "CopyingBackend.h"
#include "PictureBackend.h"

std::unique_ptr<OutputBackend> OutputBackend::choose(bool keepText)
{
    if (keepText)
        return std::make_unique<CopyingBackend>();
    return std::make_unique<PictureBackend>();
}

OutputBackend::~OutputBackend() = default;
