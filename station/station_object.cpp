#include "station/station_object.h"

#include "imaging/settings.h"
#include "station/last_values.h"

namespace station {

Station::Station(const StationPorts& ports, const std::string& workingDirectory, unsigned seed)
    : ports_(ports), device_(std::make_unique<vProcess>(
                         DevicePorts{ports.capture, ports.io, ports.imaging, ports.pages})),
      paths_(workingDirectory), params_(std::make_unique<ParameterSet>()) {
    params_->SetDefaults(static_cast<int>(seed));
    parameterFiles_ = std::make_unique<ParameterFiles>(*params_, paths_, ports.files, ports.prompts,
                                                       ports.codePage);
    parameterFiles_->LoadParameterFile();
    PublishParameters(params_.get());
}

Station::~Station() {
    parameterFiles_->SaveParameterFile();
    PublishParameters(nullptr);
    parameterFiles_.reset();
    params_.reset();
    device_.reset();
}

int32_t Station::StartDevice(SettingsLookup& settings) {
    imageWidth_ = 640;
    imageHeight_ = 480;
    return device_->Init(settings, imageWidth_, imageHeight_);
}

Commands Station::StationCommands() {
    const CommandSetup setup{
        *params_,     *parameterFiles_,    *this,       *this,        ports_.gauge,
        ports_.clock, device_->pulsePerMm, imageWidth_, imageHeight_, CurrentSettings().GrabNumber};
    return Commands(setup, TheLastValues(), TheCommandTexts());
}

int32_t Station::Run(HostCommand command, bool book) {
    Commands commands = StationCommands();
    int32_t r = 0;
    switch (command) {
    case HostCommand::InspectionA:
        r = commands.InspectA();
        break;
    case HostCommand::InspectionB:
        r = commands.InspectB();
        break;
    case HostCommand::CalibrationM:
        return commands.CalibrateM();
    case HostCommand::CalibrationN:
        return commands.CalibrateN();
    }
    if (book) {
        const BookingSetup booking{params_->material, *this,   ports_.files, ports_.prompts,
                                   ports_.clock,      okList_, ngList_};
        BookResult(booking, TheLastValues(), r, BookingMode(command));
    }
    return r;
}

int32_t Station::RunBaseLine() {
    return StationCommands().SetBaseLine();
}

void Station::ResetStatistics() {
    UpdateStatistics(params_->material, 0, 0);
    okList_.Clear();
    ngList_.Clear();
    RefreshStatistics();
}

void Station::DrawMeasuredLine(double x1, double y1, double x2, double y2) {
    if (observer_)
        observer_->MeasuredLine(x1, y1, x2, y2);
}

void Station::ShowMeasuredPicture(const uint8_t* picture) {
    if (observer_)
        observer_->MeasuredPicture(picture);
}

void Station::RefreshView() {
    if (observer_)
        observer_->ViewChanged();
}

void Station::RefreshStatistics() {
    if (observer_)
        observer_->Statistics(params_->material.OkCount, params_->material.NgCount);
}

void Station::InsertOkRow(const std::vector<std::string>& texts) {
    if (observer_)
        observer_->OkRow(texts);
}

void Station::InsertNgRow(const std::vector<std::string>& texts) {
    if (observer_)
        observer_->NgRow(texts);
}

} // namespace station
