#include "router.h"

void Router::add(const std::string &method, const std::string &pattern, Handler handler)
{
    routes.push_back({method, std::regex(pattern), std::move(handler)});
}

bool Router::dispatch(const httplib::Request &request, httplib::Response &response) const
{
    const std::string method = request.method == "HEAD" ? std::string("GET") : request.method;
    for (const Route &route : routes) {
        std::smatch captures;
        if (route.method == method && std::regex_match(request.path, captures, route.pattern)) {
            route.handler(request, response, captures);
            return true;
        }
    }
    return false;
}
