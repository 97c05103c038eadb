// The common open and save dialogs as components: default extension, a
// filter written the form designer's way ("text|patterns|text|patterns"),
// and the dialog's options (OFN_* flags).
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <commdlg.h>

#include <string>

namespace kit {

struct FileDialogRow {
    const char* name;
    bool save;
    const char* defaultExt; // without the dot
    const char* filter;
    DWORD options; // beside OFN_EXPLORER
};

class FileDialog {
  public:
    explicit FileDialog(const FileDialogRow& row) : row_(row) {}
    const FileDialogRow& row() const { return row_; }
    // The filter as the dialog takes it: pairs of zero-terminated texts,
    // ended by an empty one.
    std::string ApiFilter() const;
    // Shows the dialog; true with the chosen file in fileName (which also
    // proposes a name).  hook, when given, is the dialog's hook procedure.
    bool Execute(HWND owner, const std::string& initialDir, std::string& fileName,
                 LPOFNHOOKPROC hook = nullptr) const;

  private:
    FileDialogRow row_;
};

} // namespace kit
