// ALTER SESSION and ALTER SYSTEM.
#include "RdmSqlExec.h"

namespace {
constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmSqlExec"};
}  // namespace

void RdmSqlExec::AlterSession(SqlTokenIterator& it) { ThrowSyntaxError(2027, it->text, it, Here(__LINE__)); }
void RdmSqlExec::AlterSystem(SqlTokenIterator& it) { ThrowSyntaxError(2027, it->text, it, Here(__LINE__)); }
long RdmSqlExec::LogCategoryBit(SqlTokenIterator& it) { ThrowSyntaxError(2027, it->text, it, Here(__LINE__)); }
std::string RdmSqlExec::LogMaskText(const std::string&) { return ""; }
