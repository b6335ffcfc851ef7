/* The navigation benchmark's walk done straight on SQLite (RawSqliteWalk.c). */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/* Walks the vehicles of the benchmark store at storePath by key, one
 * statement per move, finding each log row by key; inside one transaction
 * when inTransaction is non-zero, else every statement in autocommit.
 * Returns the vehicles walked, or -1 on a failure (reported on stderr). */
long long RawSqliteWalk(const char* storePath, int inTransaction);

#ifdef __cplusplus
}
#endif
