#pragma once
// What a KVXreal C controller's web server answers: the files of the site in its active web
// partition, by path. Plain functions of the controller's state, so that they are tested
// without sockets.
#include <cstdint>
#include <span>
#include <string>

#include "sim/ControllerState.h"

namespace sim {

struct HttpAnswer {
    int status = 200;
    std::string contentType = "text/plain; charset=utf-8";
    std::string body;
};

// The answer to one request head ("GET /index.html HTTP/1.1\r\nHost: ...\r\n\r\n"). HEAD gets
// the headers of GET (the caller leaves the body out).
HttpAnswer answerHttp(const ControllerState& state, const std::string& head);

// The whole response as it goes on the wire; `withBody` false for HEAD.
std::string httpResponse(const HttpAnswer& answer, bool withBody);

// True when `payload` is a site archive the server can serve.
bool isSite(const std::string& payload);
bool isSite(std::span<const uint8_t> payload);

// Type 3; attribute 5 set (a commit put an image there).
bool isWebPartition(const Partition& partition);
bool holdsImage(const Partition& partition);

// Makes a web partition the served site (an activation of it).
void activateSite(ControllerState& state, uint8_t partition);

// Takes the committed web-server settings from their variables (the commit flag was set).
void commitHttpSettings(ControllerState& state);

// The server's port is now `port`: the settings and QServices.HttpPort say so.
void setHttpPort(ControllerState& state, uint16_t port);

}  // namespace sim
