#include "store/DataFile.h"

#include <sqlite3.h>

#include <cstring>

#include "platform/files.h"
#include "store/StoreError.h"

namespace qm::store {

namespace {

constexpr char kSqliteMagic[16] = {'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f', 'o', 'r', 'm', 'a', 't', ' ', '3', '\0'};

}  // namespace

const char* SchemaSql() {
    // Text compares ignore ASCII case everywhere (COLLATE NOCASE), as the
    // filters do. Yes/no columns are integers (-1 true, 0 false); the backup
    // date is text "yyyy-mm-dd", so it keeps exactly what was written.
    return R"sql(
CREATE TABLE sysuser (
    UserName TEXT COLLATE NOCASE,
    UserPassword TEXT COLLATE NOCASE,
    AutoBackup INTEGER,
    PriorBackupDate TEXT COLLATE NOCASE,
    AutoBackupPath TEXT COLLATE NOCASE,
    AutoCompress INTEGER,
    MinLockTime INTEGER,
    ShowPassword INTEGER,
    ClearClipboard INTEGER,
    ShortcutUser TEXT COLLATE NOCASE,
    ShortcutPassword TEXT COLLATE NOCASE,
    ShortcutURL TEXT COLLATE NOCASE,
    WinRun INTEGER,
    TypeNameWidth INTEGER,
    AccountNameWidth INTEGER,
    AccountIDWidth INTEGER,
    AccountPasswordWidth INTEGER,
    URLWidth INTEGER,
    Custom1 TEXT COLLATE NOCASE,
    Custom2 INTEGER
);
CREATE TABLE AccountType (
    UserName TEXT COLLATE NOCASE,
    TypeName TEXT COLLATE NOCASE,
    icoIndex INTEGER
);
CREATE TABLE AccountData (
    UserName TEXT COLLATE NOCASE,
    TypeName TEXT COLLATE NOCASE,
    AccountName TEXT COLLATE NOCASE,
    AccountPY TEXT COLLATE NOCASE,
    AccountID TEXT COLLATE NOCASE,
    AccountPassword TEXT COLLATE NOCASE,
    RegDate TEXT COLLATE NOCASE,
    URL TEXT COLLATE NOCASE,
    Remarks TEXT COLLATE NOCASE
);
CREATE INDEX AccountTypeByUser ON AccountType(UserName);
CREATE INDEX AccountDataByUser ON AccountData(UserName, TypeName);
)sql";
}

FileForm InspectDataFile(const std::string& path) {
    if (!platform::FileExists(path)) return FileForm::Missing;
    std::vector<unsigned char> bytes;
    try {
        bytes = platform::ReadFileStart(path, 512);
    } catch (const platform::FileError& e) {
        // A backup or virus scanner holding the file says nothing about its bytes.
        return e.Fault == platform::FileFault::InUse ? FileForm::InUse : FileForm::Unknown;
    }
    if (bytes.size() < 512) return FileForm::Unknown;  // smaller than any database
    if (std::memcmp(bytes.data(), kSqliteMagic, sizeof kSqliteMagic) == 0) return FileForm::Plain;
    const std::string_view key = crypto::kDataFileKey;
    for (size_t i = 0; i < sizeof kSqliteMagic; ++i)
        if (bytes[i] != (static_cast<unsigned char>(kSqliteMagic[i]) ^ static_cast<unsigned char>(key[i % key.size()])))
            return FileForm::Unknown;
    return FileForm::Enciphered;
}

void WriteEmptyDataFile(const std::string& path, crypto::clsSimpleXOR& cipher) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw StoreError("cannot create the empty database");
    }
    char* error = nullptr;
    if (sqlite3_exec(db, SchemaSql(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = std::string("cannot create the tables: ") + (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
        throw StoreError(message);
    }
    sqlite3_int64 size = 0;
    unsigned char* image = sqlite3_serialize(db, "main", &size, 0);
    if (!image) {
        sqlite3_close(db);
        throw StoreError("cannot create the empty database");
    }
    std::vector<unsigned char> bytes(image, image + size);
    sqlite3_free(image);
    sqlite3_close(db);
    cipher.EncryptByte(bytes, crypto::kDataFileKey);
    try {
        platform::ReplaceFileContents(path, bytes);
    } catch (const platform::FileError& e) {
        throw StoreError(e.what());
    }
}

std::string GetAppPath() {
    std::string folder = platform::ProgramFolder();
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    return folder;
}

std::string PathIn(const std::string& folder, const std::string& name) {
#ifdef _WIN32
    return folder + "\\" + name;
#else
    return folder + "/" + name;
#endif
}

}  // namespace qm::store
