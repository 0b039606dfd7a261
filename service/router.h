#ifndef ROUTER_H
#define ROUTER_H

#include "routecaptures.h"

#include <httplib.h>

#include <functional>
#include <string>
#include <vector>

// Maps a method and a decoded request path to a handler. A pattern is literal text with
// placeholders, matched in one pass without backtracking, so that no request path, however
// long, costs more than its length in time or any stack at all:
//   {}       a segment, possibly empty: everything up to the next "/" or the end
//   {id}     1 to 18 decimal digits
//   {a|b}    a segment that is one of the words given
//   {path}   the rest of the path, empty or starting with "/" (an object path)
//   {any}    the rest of the path, whatever it is
// {path} and {any} end a pattern. GET routes also answer HEAD (the HTTP layer drops the body).
class Router
{
public:
    using Handler = std::function<void(const httplib::Request &, httplib::Response &,
                                       const RouteCaptures &captures)>;

    void add(const std::string &method, const std::string &pattern, Handler handler);
    // False when no route matches; the response is then untouched.
    bool dispatch(const httplib::Request &request, httplib::Response &response) const;

private:
    struct Part
    {
        enum class Kind { Literal, Segment, Id, Word, Path, Any };
        Kind kind = Kind::Literal;
        std::string text;               // Literal
        std::vector<std::string> words; // Word
    };
    struct Route
    {
        std::string method;
        std::vector<Part> parts;
        Handler handler;
    };

    static std::vector<Part> parse(const std::string &pattern);
    static bool match(const std::vector<Part> &parts, const std::string &path,
                      RouteCaptures *captures);

    std::vector<Route> routes;
};

#endif // ROUTER_H
