#pragma once

// Where a data connection goes: the client listens and tells the server
// (active, "PORT"), or the server listens and tells the client (passive,
// "PASV"). Kept here, below both the settings file and the engine.
enum class DataMode {
    Auto,    // passive first, active once the server refuses passive
    Active,  // PORT
    Passive, // PASV
};
