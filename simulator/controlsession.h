// Who may give the simulator commands over its control port. The port is on
// the loopback interface, but every program of every user of the machine can
// reach it, web pages in a browser included: a page can post a form to
// 127.0.0.1. So a connection must first show a token that only the user can
// read, and a line that looks like a web request closes the connection.
// Portable.
#pragma once

#include <cstdint>
#include <string>

// A new secret for one run: 32 hexadecimal digits.
std::string NewControlToken();

// Where the token is kept when no file is named: beside the state file,
// named after the control port, so that simulators on other ports keep
// their own.
std::string DefaultTokenFile(const std::string& stateFile, uint16_t controlPort);

// A request or header line of HTTP ("POST / HTTP/1.1", "Host: ...").
bool LooksLikeHttp(const std::string& line);

// One control connection, line by line.
class TControlSession {
public:
    // An empty token: none is asked for (--no-token); the first line must
    // still be a command the simulator knows.
    explicit TControlSession(std::string token) : token_(std::move(token)) {}

    struct Step {
        bool execute = false; // run the line as a command; its answer goes back
        std::string answer;   // else this answer, if any
        bool close = false;   // then end the connection
    };
    Step OnLine(const std::string& line);
    // The token (or, without one, a first command) has been given.
    bool Admitted() const { return admitted_; }

private:
    std::string token_;
    bool admitted_ = false;
};
