// ClientBlock: a block that the client library allocated and hands over,
// returned to the library with its own FreePtr when the owner goes, so that
// every path out of an operation (exceptions included) gives it back.
#pragma once

#include <memory>
#include <string>

#include "DbDescError.h"
#include "FunctionLoader.h"

struct ClientBlockFree {
    void operator()(char* block) const {
        // FreePtr was tested before the call that produced the block.
        if (block && GetFunctionLoader().pfFreePtr) GetFunctionLoader().pfFreePtr(block);
    }
};
using ClientBlock = std::unique_ptr<char, ClientBlockFree>;

// The bytes of a block that a call answered with status 0. A call that owes
// bytes (a record, a text, a non-empty list or blob) but handed over no block
// gave a bad result: the client's status 10003 at the caller's location,
// never a read through a null pointer.
inline const char* ReturnedBytes(const ClientBlock& block, bool bytesDue, const ErrorLocation& where,
                                 const StrVector& args) {
    if (!block && bytesDue) throw DbDescError(lurdbcli::kBadArgument, where, args);
    return block.get();
}

// The same for the record paths, which name just the table: the location
// and the argument list are built only when the call raises.
inline const char* ReturnedBytes(const ClientBlock& block, bool bytesDue, ThrowSource source, int line,
                                 const std::string& table) {
    return block || !bytesDue ? block.get() : ReturnedBytes(block, bytesDue, source(line), StrVector(table));
}
