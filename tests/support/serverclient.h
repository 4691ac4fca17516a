#pragma once

// An HTTP client for a server page on the loopback interface; every wait is bounded.

#include <httplib.h>

#include <memory>

inline std::unique_ptr<httplib::Client> clientFor(int port)
{
    auto client = std::make_unique<httplib::Client>("127.0.0.1", port);
    client->set_connection_timeout(5);
    client->set_read_timeout(30);
    client->set_write_timeout(30);
    return client;
}
