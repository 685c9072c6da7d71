#include "core/engine/connection_states.h"

const char* stateName(ConnectionPhase phase) {
    switch (phase) {
    case ConnectionPhase::Closed:
        return "closed";
    case ConnectionPhase::LookingUp:
        return "looking up";
    case ConnectionPhase::Connecting:
        return "connecting";
    case ConnectionPhase::AwaitingGreeting:
        return "awaiting greeting";
    case ConnectionPhase::Securing:
        return "securing";
    case ConnectionPhase::LoggingIn:
        return "logging in";
    case ConnectionPhase::Idle:
        return "idle";
    case ConnectionPhase::Busy:
        return "busy";
    case ConnectionPhase::Closing:
        return "closing";
    }
    return "?";
}

const char* stateName(TransferKind kind) {
    switch (kind) {
    case TransferKind::None:
        return "none";
    case TransferKind::Listing:
        return "listing";
    case TransferKind::SizeCheck:
        return "size check";
    case TransferKind::EditCheck:
        return "edit check";
    case TransferKind::Download:
        return "download";
    case TransferKind::Upload:
        return "upload";
    }
    return "?";
}

const char* stateName(DataStage stage) {
    switch (stage) {
    case DataStage::None:
        return "none";
    case DataStage::Open:
        return "open";
    case DataStage::Ended:
        return "ended";
    }
    return "?";
}

const char* stateName(ServerStage stage) {
    switch (stage) {
    case ServerStage::Awaiting:
        return "awaiting";
    case ServerStage::Answered:
        return "answered";
    case ServerStage::Confirmed:
        return "confirmed";
    }
    return "?";
}
