/* The connection settings of every store connection, in one place; plain C,
 * so that the benchmarks' SQLite programs use exactly the same. */
#pragma once

/* WAL, so that readers and the one writer do not wait for each other;
 * synchronous=FULL, so that a commit survives a power loss. */
#define LURDB_CONNECTION_PRAGMAS "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL"
