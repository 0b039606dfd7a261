#include "router.h"

#include <algorithm>
#include <cassert>

namespace {

constexpr size_t maximumIdDigits = 18; // fits a qint64

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

void Router::add(const std::string &method, const std::string &pattern, Handler handler)
{
    routes.push_back({method, parse(pattern), std::move(handler)});
}

bool Router::dispatch(const httplib::Request &request, httplib::Response &response) const
{
    const std::string method = request.method == "HEAD" ? std::string("GET") : request.method;
    for (const Route &route : routes) {
        RouteCaptures captures(request.path);
        if (route.method == method && match(route.parts, request.path, &captures)) {
            route.handler(request, response, captures);
            return true;
        }
    }
    return false;
}

std::vector<Router::Part> Router::parse(const std::string &pattern)
{
    std::vector<Part> parts;
    size_t at = 0;
    while (at < pattern.size()) {
        const size_t open = pattern.find('{', at);
        if (open != at) {
            parts.push_back({Part::Kind::Literal, pattern.substr(at, open - at), {}});
            if (open == std::string::npos)
                break;
        }
        const size_t close = pattern.find('}', open);
        assert(close != std::string::npos);
        const std::string name = pattern.substr(open + 1, close - open - 1);
        Part part;
        if (name.empty()) {
            part.kind = Part::Kind::Segment;
        } else if (name == "id") {
            part.kind = Part::Kind::Id;
        } else if (name == "path") {
            part.kind = Part::Kind::Path;
        } else if (name == "any") {
            part.kind = Part::Kind::Any;
        } else {
            part.kind = Part::Kind::Word;
            for (size_t start = 0; start <= name.size();) {
                const size_t bar = std::min(name.find('|', start), name.size());
                part.words.push_back(name.substr(start, bar - start));
                start = bar + 1;
            }
        }
        parts.push_back(std::move(part));
        at = close + 1;
    }
    return parts;
}

bool Router::match(const std::vector<Part> &parts, const std::string &path, RouteCaptures *captures)
{
    size_t at = 0;
    for (const Part &part : parts) {
        switch (part.kind) {
        case Part::Kind::Literal:
            if (path.compare(at, part.text.size(), part.text) != 0)
                return false;
            at += part.text.size();
            break;
        case Part::Kind::Segment:
        case Part::Kind::Word: {
            const size_t end = std::min(path.find('/', at), path.size());
            std::string text = path.substr(at, end - at);
            if (part.kind == Part::Kind::Word &&
                std::find(part.words.begin(), part.words.end(), text) == part.words.end())
                return false;
            captures->append(std::move(text));
            at = end;
            break;
        }
        case Part::Kind::Id: {
            size_t end = at;
            while (end < path.size() && isDigit(path[end]))
                ++end;
            if (end == at || end - at > maximumIdDigits)
                return false;
            captures->append(path.substr(at, end - at));
            at = end;
            break;
        }
        case Part::Kind::Path:
            if (at < path.size() && path[at] != '/')
                return false;
            captures->append(path.substr(at));
            return true;
        case Part::Kind::Any:
            captures->append(path.substr(at));
            return true;
        }
    }
    return at == path.size();
}
