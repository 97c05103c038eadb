#include "ui/kit/file_dialog.h"

#include <vector>

namespace kit {

std::string FileDialog::ApiFilter() const {
    std::string f = row_.filter ? row_.filter : "";
    for (char& c : f)
        if (c == '|')
            c = '\0';
    f.push_back('\0');
    f.push_back('\0');
    return f;
}

bool FileDialog::Execute(HWND owner, const std::string& initialDir, std::string& fileName,
                         LPOFNHOOKPROC hook) const {
    std::vector<char> file(MAX_PATH, '\0');
    fileName.copy(file.data(), MAX_PATH - 1);
    const std::string filter = ApiFilter();
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    ofn.lpstrDefExt = row_.defaultExt;
    ofn.Flags = OFN_EXPLORER | row_.options | (hook ? OFN_ENABLEHOOK : 0);
    ofn.lpfnHook = hook;
    const BOOL chosen = row_.save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!chosen)
        return false;
    fileName = file.data();
    return true;
}

} // namespace kit
