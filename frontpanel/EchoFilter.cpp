#include "frontpanel/EchoFilter.h"

bool TEchoFilter::ValueWritten(bool readBack) {
    if (readBack) {
        pending_ = true;
        return false;
    }
    return Drop();
}

bool TEchoFilter::Drop() {
    const bool dropped = pending_;
    pending_ = false;
    return dropped;
}

bool TEchoFilter::BeginReport() {
    reporting_ = pending_;
    pending_ = false;
    return reporting_;
}
