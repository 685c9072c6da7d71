#pragma once

// Every duration the program waits for, in milliseconds. The defaults are
// the program's own; tests shorten them.
struct Timing {
    int frameTickMs = 3000;         // connection watch and progress display
    int startupTickMs = 1000;       // first tick after start-up
    int retryPauseMs = 3000;        // before a refused command is sent again
    int uploadTailPauseMs = 1000;   // after the last block of an upload
    int lookupTimeoutMs = 15000;    // host lookup
    int connectTimeoutMs = 15000;   // control connection connect
    int dataTimeoutMs = 60000;      // silent data connection
    int keepAliveIdleMs = 60000;    // NOOP after this much idle time
    int deadConnectionMs = 180000;  // control connection given up
    int taskFileIntervalMs = 1000;  // least time between task file rewrites
    int editStartPauseMs = 3000;    // after an editing application starts
    int editWatchMs = 500;          // the editing watcher
    int dataTlsGraceMs = 1500;      // encrypted data waits for "150" at most
    int segmentIdleMs = 20000;      // a range's connection silent this long failed
    int segmentReplyWaitMs = 10000; // a range's command unanswered this long failed
};
