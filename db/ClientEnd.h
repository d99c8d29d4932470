#pragma once

// Ends the database client library when the program ends: the engine's own shutdown waits for the
// threads it still runs (a backup's service winding down after a failure or a cancel: the program
// must not end under them) and closes whatever is still attached. One at the top of main, so that
// it goes after every connection.
class ClientEnd {
public:
    ClientEnd() = default;
    ~ClientEnd();
    ClientEnd(const ClientEnd&) = delete;
    ClientEnd& operator=(const ClientEnd&) = delete;
};
