#ifndef FAULT_H
#define FAULT_H

#include <QJsonObject>
#include <QString>

#include <optional>
#include <string>
#include <utility>
#include <vector>

// One injected misbehaviour: what the next matching requests get instead of (or before)
// their normal handling.
struct Fault
{
    enum class Action {
        Status, // answer with a given status, body and headers
        Delay,  // wait, then handle normally
        Hang,   // accept and never answer
        Drop,   // close the connection without an answer
        Drip,   // handle normally, then send the body one byte every delayMs
        Cut,    // handle normally, then send cutAfterBytes of the body and close
    };

    std::string path;        // decoded request path, matched exactly
    bool pathPrefix = false; // path matches every request path that starts with it
    std::string method;      // empty: any method
    Action action = Action::Status;
    int count = 1; // -1: forever
    int status = 500;
    std::string body;
    std::string contentType = "application/json";
    std::vector<std::pair<std::string, std::string>> headers;
    int delayMs = 0;
    // Drop and status only: carry the request out first, then close the connection instead of
    // answering, or answer with the status and body given, as a connection lost or a gateway
    // that garbles answers after the service acted would.
    bool afterHandling = false;
    // Status and cut only: the body announced whole, then the connection closed after this many
    // of its bytes, as a connection lost in the middle of an answer would; -1: the whole body.
    int cutAfterBytes = -1;

    bool matches(const std::string &requestMethod, const std::string &requestPath) const;

    static std::optional<Fault> fromJson(const QJsonObject &json, QString *error);
};

#endif // FAULT_H
