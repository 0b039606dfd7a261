#ifndef ROUTER_H
#define ROUTER_H

#include <httplib.h>

#include <functional>
#include <regex>
#include <string>
#include <vector>

// Maps a method and a decoded request path to a handler. Patterns are regular expressions
// matched against the whole path; their captures reach the handler. GET routes also answer
// HEAD (the HTTP layer drops the body).
class Router
{
public:
    using Handler = std::function<void(const httplib::Request &, httplib::Response &,
                                       const std::smatch &captures)>;

    void add(const std::string &method, const std::string &pattern, Handler handler);
    // False when no route matches; the response is then untouched.
    bool dispatch(const httplib::Request &request, httplib::Response &response) const;

private:
    struct Route
    {
        std::string method;
        std::regex pattern;
        Handler handler;
    };
    std::vector<Route> routes;
};

#endif // ROUTER_H
