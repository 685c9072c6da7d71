#pragma once

// The states of a connection, each changed in one function of its own
// (FtpSession::setPhase, setTransferKind, setDataStage, setServerStage).

// Where the control connection stands. Idle and Busy are one stored phase,
// told apart by whether any work is queued or running.
enum class ConnectionPhase {
    Closed,           // no control connection
    LookingUp,        // the host name is being looked up
    Connecting,       // the control connection is being made
    AwaitingGreeting, // connected; the server's "220" has not come
    Securing,         // the TLS handshake after "234" is running
    LoggingIn,        // "AUTH TLS", the login, and the start folder
    Idle,             // logged in, nothing queued
    Busy,             // logged in, commands or an operation running
    Closing,          // "QUIT" queued or sent
};

// What the data connection of the running command carries.
enum class TransferKind {
    None,
    Listing,   // a folder listing, shown or walked
    SizeCheck, // a one-file listing: the size and time of a file
    EditCheck, // a one-file listing before an edited file replaces it
    Download,
    Upload,
};

// The two halves of a transfer's end, which come in either order: the data
// connection's own course, and the server's word on the transfer command.
enum class DataStage {
    None,  // no data connection carries the running command
    Open,  // connected, data moving
    Ended, // closed; the server's word is awaited
};

enum class ServerStage {
    Awaiting,  // the transfer command went out (or none has)
    Answered,  // "150" came, or the server had its moment to send it
    Confirmed, // "226" or "250": the server says the transfer went well
};

inline bool movesFile(TransferKind kind) {
    return kind == TransferKind::Download || kind == TransferKind::Upload;
}

inline bool readsListing(TransferKind kind) {
    return kind == TransferKind::Listing || kind == TransferKind::SizeCheck ||
           kind == TransferKind::EditCheck;
}

const char* stateName(ConnectionPhase phase);
const char* stateName(TransferKind kind);
const char* stateName(DataStage stage);
const char* stateName(ServerStage stage);
