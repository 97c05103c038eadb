// Language.dll: the station's texts by (section, key), from the tables in the
// folder "Language" beside this DLL (UTF-8 ".lng" files, one per language),
// handed out in the system's ANSI code page.
#include "contracts/language.h"
#include "common/guarded_entry.h"
#include "common/module_folder.h"
#include "common/win_handles.h"
#include "libs/language/select_window.h"
#include "libs/language/text_table.h"
#include "ui/kit/window.h"

#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace {

std::string Utf8ToAnsi(const std::string& utf8) {
    if (utf8.empty())
        return {};
    const int wide =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (wide <= 0)
        return {};
    std::wstring w(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), wide);
    const int n = WideCharToMultiByte(CP_ACP, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), wide, out.data(), n, nullptr, nullptr);
    return out;
}

class Library;
Library& TheLibrary();

class Library {
  public:
    void Load() {
        std::lock_guard<std::mutex> g(mutex_);
        tables_.clear();
        const std::string dir =
            common::ModuleFolderOf(reinterpret_cast<const void*>(&TheLibrary)) + "\\Language\\";
        WIN32_FIND_DATAA found;
        const common::UniqueFind find(FindFirstFileA((dir + "*.lng").c_str(), &found));
        if (!find)
            return;
        do {
            std::ifstream in(dir + found.cFileName, std::ios::binary);
            std::stringstream text;
            text << in.rdbuf();
            station::TextTable table = station::TextTable::Parse(text.str());
            const auto id = table.Identifier();
            if (!id)
                continue; // a table must say which language it is
            table.ConvertTexts(Utf8ToAnsi);
            tables_.insert_or_assign(*id, std::move(table));
        } while (FindNextFileA(find.get(), &found));
        loaded_ = true;
    }

    const char* Get(int32_t id, const char* section, const char* key) {
        if (!loaded_)
            Load();
        std::lock_guard<std::mutex> g(mutex_);
        if (!section || !key || tables_.empty())
            return "";
        // An identifier no table has is shown in the first language.
        auto it = tables_.find(id);
        if (it == tables_.end())
            it = tables_.begin();
        const std::string* text = it->second.Find(section, key);
        return text ? text->c_str() : "";
    }

    std::vector<language::Choice> Choices() {
        if (!loaded_)
            Load();
        std::lock_guard<std::mutex> g(mutex_);
        std::vector<language::Choice> out;
        for (const auto& [id, table] : tables_)
            out.push_back({id, table.Name().empty() ? std::to_string(id) : table.Name()});
        return out;
    }

  private:
    std::mutex mutex_;
    std::map<int32_t, station::TextTable> tables_;
    bool loaded_ = false;
};

Library& TheLibrary() {
    static Library library;
    return library;
}

} // namespace

extern "C" {

// Nothing thrown inside leaves an export: InitLanguageDll then answers 1,
// the selection "nothing chosen", a text the empty text.
int32_t __stdcall InitLanguageDll() {
    return common::Guarded("Language.dll: InitLanguageDll", 1, [] {
        TheLibrary().Load();
        return 0;
    });
}

uint8_t __stdcall SelectLanguageDll(const char* title, int32_t* identifier) {
    return common::Guarded(
        "Language.dll: SelectLanguageDll", static_cast<uint8_t>(0), [&]() -> uint8_t {
            if (!identifier)
                return 0;
            const auto choice =
                language::ShowSelectWindow(title ? title : "", TheLibrary().Choices(), *identifier);
            if (!choice)
                return 0;
            *identifier = *choice;
            return 1;
        });
}

const char* __stdcall GetLanguageString(int32_t identifier, const char* section, const char* key) {
    return common::Guarded("Language.dll: GetLanguageString", "",
                           [&] { return TheLibrary().Get(identifier, section, key); });
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
        common::GuardedVoid("Language.dll unload", [] { kit::UnregisterClasses(); });
    return TRUE;
}
}

static_assert(std::is_same_v<decltype(&InitLanguageDll), InitLanguageDllFn>);
static_assert(std::is_same_v<decltype(&SelectLanguageDll), SelectLanguageDllFn>);
static_assert(std::is_same_v<decltype(&GetLanguageString), GetLanguageStringFn>);
