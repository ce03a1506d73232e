#include "XSound.h"

bool XSound::OpenRecording(const std::string&, std::string*) {
    return false;
}
bool XSound::ReadTimeBounds() {
    return false;
}
void XSound::SearchTime() {}
void XSound::EndPlayback() {}
void XSound::StepPlayback() {}
int XSound::ProcessPlaybackPing() {
    return 0;
}
