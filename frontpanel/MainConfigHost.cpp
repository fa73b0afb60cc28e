#include "frontpanel/MainConfigHost.h"

void TMainConfigHost::ResetLinks() {
    for (auto& link : links_) link->SetReadyCaption("Wait...");
    for (auto& link : links_) link->SetEnabled(false);
}

void TMainConfigHost::SetAttIP(int slot, const std::string& ip) {
    if (!IsSlot(slot)) return;
    slotIP_[slot] = ip;
    links_[slot]->SetTargetHost(ip);
}

void TMainConfigHost::SetAttPort(int slot, const std::string& port) {
    if (!IsSlot(slot)) return;
    slotPort_[slot] = port;
    links_[slot]->SetTargetPort(port);
}

std::string TMainConfigHost::SlotIP(int slot) const { return IsSlot(slot) ? slotIP_[slot] : ""; }
std::string TMainConfigHost::SlotPort(int slot) const { return IsSlot(slot) ? slotPort_[slot] : ""; }
bool TMainConfigHost::SlotEnabled(int slot) const { return IsSlot(slot) && links_[slot]->Enabled(); }

void TMainConfigHost::SetSlotEnabled(int slot, bool enabled) {
    if (IsSlot(slot)) links_[slot]->SetEnabled(enabled);
}

void TMainConfigHost::SetConfigFile(const std::string& path) {
    configFile_ = path;
    if (showFile_) showFile_(path);
}
