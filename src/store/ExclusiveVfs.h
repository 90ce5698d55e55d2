#pragma once
// The file layer under the data file's connection. SQLite's own Windows
// layer opens a database shareable and locks only a byte range, so another
// program could still copy the plain file while the program runs. This one
// opens the database and its journal exclusively (platform::ExclusiveFile);
// everything else it leaves to SQLite's default layer.

namespace qm::store {

// The name to open a connection with; registered on first use, never as
// the default, so only connections that ask for it get it.
const char* ExclusiveVfsName();

}  // namespace qm::store
