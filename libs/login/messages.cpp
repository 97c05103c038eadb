#include "libs/login/messages.h"

namespace login {

std::string Explain(Status status, const std::string& accountsPath) {
    switch (status) {
    case Status::Ok:
        return {};
    case Status::BadName:
        return "使用者名稱不正確。\nThe user name must be 1 to " + std::to_string(kMaxNameBytes) +
               " bytes, without control characters.";
    case Status::BadPassword:
        return "密碼不正確。\nThe password must be 1 to " + std::to_string(kMaxPasswordBytes) +
               " bytes.";
    case Status::WrongPassword:
        return WrongLogin(0);
    case Status::Locked:
        return "帳號已鎖定。\nThe account is locked.";
    case Status::NoSuchAccount:
        return "沒有這個帳號。\nThere is no such account.";
    case Status::NameTaken:
        return "這個名稱已有帳號。\nAn account with this user name exists already.";
    case Status::LastMaintenance:
        return "至少要保留一個維修帳號。\nThe station keeps at least one maintenance account.";
    case Status::TooMany:
        return "帳號已滿。\nThe station holds at most " + std::to_string(kMaxAccounts) +
               " accounts.";
    case Status::NotFirst:
        return "已有帳號。\nThe station has accounts already.";
    case Status::WriteFailed:
        return "帳號檔無法寫入。\nThe accounts file could not be written:\n" + accountsPath;
    case Status::CryptoFailed:
        return "密碼無法處理。\nThe password could not be hashed (Windows CNG failed).";
    }
    return "?";
}

std::string WrongLogin(uint32_t attemptsLeft) {
    std::string text = "使用者名稱或密碼錯誤。\nWrong user name or password.";
    if (attemptsLeft > 0)
        text += "\n" + std::to_string(attemptsLeft) +
                (attemptsLeft == 1 ? " attempt" : " attempts") +
                " left before the account is locked for five minutes.";
    return text;
}

std::string LockedLogin(const std::string& name, int64_t secondsLeft) {
    const int64_t minutes = secondsLeft / 60, seconds = secondsLeft % 60;
    const std::string ss = (seconds < 10 ? "0" : "") + std::to_string(seconds);
    return "帳號已鎖定。\nThe account \"" + name +
           "\" is locked after five wrong passwords.\nTry again in " + std::to_string(minutes) +
           ":" + ss + " minutes.";
}

std::string UnusableAccountsFile(const std::string& path, const std::string& why) {
    return "帳號檔損壞，無法登入。\nThe operator accounts file is damaged and is not used:\n" +
           path + "\n(" + why +
           ")\nNobody can log in until maintenance restores the file from a backup or removes it "
           "to set up the accounts again.";
}

std::string PasswordsDiffer() {
    return "兩次輸入的密碼不同。\nThe two passwords differ.";
}

std::string MaintenanceOnly() {
    return "只有維修帳號可以管理帳號。\nOnly a maintenance account can manage the accounts.";
}

std::string ChooseRole() {
    return "請選擇職務。\nChoose a role.";
}

std::string ChooseAccount() {
    return "請在清單中選擇帳號。\nChoose an account in the list.";
}

std::string ConfirmRemove(const std::string& name) {
    return "刪除帳號？\nRemove the account \"" + name + "\"?";
}

std::string MarkNotWritten(const std::string& path) {
    return "十字線設定無法儲存。\nThe cross-line mark's settings could not be written to:\n" +
           path + "\nThe mark stays as it was.";
}

} // namespace login
