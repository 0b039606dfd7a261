#ifndef ROUTECAPTURES_H
#define ROUTECAPTURES_H

#include <string>
#include <vector>

// What a route pattern's placeholders matched, in order from 1; 0 is the whole path. An index
// past the last placeholder reads as an empty, unmatched capture.
class RouteCaptures
{
public:
    struct Capture
    {
        std::string text;
        bool matched = false;

        const std::string &str() const { return text; }
    };

    explicit RouteCaptures(const std::string &path);

    void append(std::string text);
    const Capture &operator[](size_t index) const;

private:
    std::vector<Capture> captures;
};

#endif // ROUTECAPTURES_H
