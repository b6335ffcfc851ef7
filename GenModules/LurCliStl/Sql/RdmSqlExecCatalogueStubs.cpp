// The catalogue statements whose handlers are not built yet: each answers
// 2027 at its first token, as an unknown statement does.
#include "RdmSqlExec.h"

namespace {
constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmSqlExec"};
}  // namespace

void RdmSqlExec::CreateUser(SqlTokenIterator& it, bool) { ThrowSyntaxError(2027, it->text, it, Here(__LINE__)); }
void RdmSqlExec::AlterUser(SqlTokenIterator& it) { ThrowSyntaxError(2027, it->text, it, Here(__LINE__)); }
void RdmSqlExec::DropUser(SqlTokenIterator& it, bool) { ThrowSyntaxError(2027, it->text, it, Here(__LINE__)); }
