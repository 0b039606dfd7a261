#include "routecaptures.h"

RouteCaptures::RouteCaptures(const std::string &path)
    : captures{{path, true}}
{}

void RouteCaptures::append(std::string text)
{
    captures.push_back({std::move(text), true});
}

const RouteCaptures::Capture &RouteCaptures::operator[](size_t index) const
{
    static const Capture unmatched;
    return index < captures.size() ? captures[index] : unmatched;
}
