#include "contracts/adapters.h"

#include "imaging/settings.h"

namespace station {

bool GrabcardCapture::Init() {
    int32_t colour = 0;
    api_.Init(&colour);
    return colour != 0;
}

void GrabcardCapture::RegisterGrabFinished() {
    api_.SetGrabFinishFun(0, onFrame_);
    api_.SetWaitMehod(0, 1);
}

std::string ProfileSettings::Get(const char* section, const char* key) {
    char buffer[kSettingMaxChars + 1] = {};
    GetPrivateProfileStringA(section, key, kSettingMissing, buffer, sizeof buffer, path_.c_str());
    buffer[kSettingMaxChars] = 0;
    return buffer;
}

} // namespace station
