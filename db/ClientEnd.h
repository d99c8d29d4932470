#pragma once

// Ends the database client library when the program ends: first the thread of a backup's service
// left to wind down after a cancel is waited for (the program must not end under it), then the
// engine's own shutdown closes whatever is still attached. One at the top of main, so that
// it goes after every connection.
class ClientEnd {
public:
    ClientEnd() = default;
    ~ClientEnd();
    ClientEnd(const ClientEnd&) = delete;
    ClientEnd& operator=(const ClientEnd&) = delete;
};
