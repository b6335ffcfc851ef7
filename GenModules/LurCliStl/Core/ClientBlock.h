// ClientBlock: a block that the client library allocated and hands over,
// returned to the library with its own FreePtr when the owner goes, so that
// every path out of an operation (exceptions included) gives it back.
#pragma once

#include <memory>

#include "FunctionLoader.h"

struct ClientBlockFree {
    void operator()(char* block) const {
        // FreePtr was tested before the call that produced the block.
        if (block && GetFunctionLoader().pfFreePtr) GetFunctionLoader().pfFreePtr(block);
    }
};
using ClientBlock = std::unique_ptr<char, ClientBlockFree>;
