#include "XSound.h"

int XSound::StepLive() {
    return 0;
}
int XSound::ProcessLivePing() {
    return 0;
}
void XSound::ApplyDraftBlanking() {}
void XSound::DetectBottom() {}
void XSound::AutoAdjust() {}
void XSound::AutoRange() {}
void XSound::SmoothDepth() {}
