#pragma once
// An empty data file, every table made, as the bytes a connection opens in
// memory: each input starts from a fresh copy without touching the disk.
#include <sqlite3.h>

#include <string>
#include <vector>

#include "store/DataFile.h"

namespace qm::fuzz {

inline const std::vector<unsigned char>& EmptyDataFile() {
    static const std::vector<unsigned char> image = [] {
        sqlite3* db = nullptr;
        sqlite3_open(":memory:", &db);
        const std::string schema = std::string(store::SchemaSql()) + store::OwnTablesSql();
        sqlite3_exec(db, schema.c_str(), nullptr, nullptr, nullptr);
        sqlite3_int64 size = 0;
        unsigned char* bytes = sqlite3_serialize(db, "main", &size, 0);
        std::vector<unsigned char> out(bytes, bytes + size);
        sqlite3_free(bytes);
        sqlite3_close(db);
        return out;
    }();
    return image;
}

}  // namespace qm::fuzz
