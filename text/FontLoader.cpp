#include "text/FontLoader.h"

FontLoader::~FontLoader()
{
    if (worker.joinable())
        worker.join();
}

void FontLoader::start(const std::string& file)
{
    if (worker.joinable())
        worker.join();
    worker = std::thread([this, file] { fonts = FontSet::open(file, failure); });
}

std::unique_ptr<FontSet> FontLoader::finish(std::string& reason)
{
    if (worker.joinable())
        worker.join();
    reason = failure;
    return std::move(fonts);
}
