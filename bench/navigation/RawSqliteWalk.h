/* The navigation benchmark's walk done straight on SQLite (RawSqliteWalk.c). */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/* A walk in progress over the vehicles of the benchmark store. */
typedef struct RawWalk RawWalk;

/* Opens a walk of the store at storePath: by key, one statement per move,
 * finding each log row by key; inside one transaction when inTransaction is
 * non-zero, else every statement in autocommit. Null on a failure (reported
 * on stderr). */
RawWalk* RawWalkOpen(const char* storePath, int inTransaction);
/* Moves on by up to count vehicles from where the walk stands. Returns the
 * vehicles walked (fewer at the end), or -1 on a failure. */
long long RawWalkSteps(RawWalk* walk, long long count);
/* Ends the walk (commits its transaction) and frees it. */
void RawWalkClose(RawWalk* walk);

/* A whole walk: the vehicles walked, or -1 on a failure. */
long long RawSqliteWalk(const char* storePath, int inTransaction);

#ifdef __cplusplus
}
#endif
