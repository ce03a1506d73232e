#include "XSound.h"

bool XSound::StartRecording(const std::string&, std::string*) {
    return false;
}
void XSound::WriteRecord() {}
void XSound::WriteDepthLine() {}
void XSound::CloseRecording() {}
bool XSound::CheckpointIndex() {
    return false;
}
bool XSound::ReadRecord() {
    return false;
}
bool XSound::ReadRecordTime() {
    return false;
}
