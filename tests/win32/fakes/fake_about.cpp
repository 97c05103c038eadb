// A recording About.dll: the five texts of every about call are noted.
#include "tests/win32/fakes/fake_record.h"

namespace {

fakes::CallRecord gCalls;

} // namespace

extern "C" {

void __stdcall ShowBasicAboutForm(const char* caption, const char* systemName, const char* version,
                                  const char* author, const char* date) {
    gCalls.Add("ShowBasicAboutForm|" + fakes::Arg(caption) + "|" + fakes::Arg(systemName) + "|" +
               fakes::Arg(version) + "|" + fakes::Arg(author) + "|" + fakes::Arg(date));
}

const char* __stdcall FakeCalls() {
    return gCalls.Text();
}

void __stdcall FakeClear() {
    gCalls.Clear();
}
}
