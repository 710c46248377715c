#include "app/ProgressLineGuard.h"

#include "app/ScanProgressLine.h"

ProgressLineGuard::ProgressLineGuard(std::streambuf* targetBuffer, ScanProgressLine& progressLine)
    : target(targetBuffer), line(progressLine)
{
}

int ProgressLineGuard::overflow(int character)
{
    if (traits_type::eq_int_type(character, traits_type::eof()))
        return traits_type::not_eof(character);
    line.erase();
    return target->sputc(traits_type::to_char_type(character));
}

std::streamsize ProgressLineGuard::xsputn(const char* text, std::streamsize count)
{
    line.erase();
    return target->sputn(text, count);
}

int ProgressLineGuard::sync()
{
    return target->pubsync();
}
