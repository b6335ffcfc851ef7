// Where the stand-in client library keeps a service's store, and how a
// message names it: the one rule for the data folder, shared by the library,
// lurdbadm and the access core's messages. The paths are UTF-8, as on disk.
#pragma once

#include <string>

namespace lurstore {

// The folder of the stores: $LURDB_DATA, else $XDG_DATA_HOME/lurdb, else
// ~/.local/share/lurdb.
std::string DataDirectory();

// The store file of a service (code page 1250, upper-cased by the code
// page's case table): <folder>/<SERVICE>.lurdb.
std::string StoreFilePath(const std::string& service);

// For a message about a store that is not there: the file looked for, what
// chose its folder, and whether it exists or can be opened ("the store file
// <path> in the folder that LURDB_DATA names, which does not exist").
std::string DescribeStoreFile(const std::string& service);

}  // namespace lurstore
