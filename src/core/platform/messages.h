#pragma once

#include <QtGlobal>

// Message numbers shared by the connection engine and the main window. They
// keep the values the program has always used, so that traces read the same
// from one version to the next.
namespace Msg {
constexpr int User = 0x400;
constexpr int SegmentFinished = User + 1;    // segment worker -> its thread
constexpr int LookupFinished = User + 4;     // host lookup done
constexpr int SegmentStart = User + 10;      // segment thread -> itself
constexpr int SocketEvent = User + 12;       // socket notification
constexpr int ContinueOperation = User + 13; // driver: take the next item
constexpr int ResumeTransfer = User + 14;    // connection -> main window: ended short
} // namespace Msg

// Socket notification bits, as carried in the low word of a SocketEvent.
namespace Fd {
constexpr int Read = 0x01;
constexpr int Write = 0x02;
constexpr int Accept = 0x08;
constexpr int Connect = 0x10;
constexpr int Close = 0x20;
constexpr int Secured = 0x40; // a TLS handshake ended: 0, or why it failed
} // namespace Fd

using WParam = quintptr;
using LParam = qintptr;

inline int eventOf(LParam lParam) {
    return int(lParam & 0xFFFF);
}
inline int errorOf(LParam lParam) {
    return int((lParam >> 16) & 0xFFFF);
}
inline LParam makeEventParam(int event, int error) {
    return LParam(event & 0xFFFF) | (LParam(error & 0xFFFF) << 16);
}
