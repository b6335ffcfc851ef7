/* The connection settings of every store connection, in one place; plain C,
 * so that the benchmarks' SQLite programs use exactly the same. */
#pragma once

/* WAL, so that readers and the one writer do not wait for each other;
 * synchronous=FULL, so that a commit survives a power loss. The page cache
 * is SQLite's 2 MB, stated here as a decision: the stores are laid out so
 * that walks and batches by the first unique key touch few pages, and a
 * larger cache (32 or 64 MB) or memory-mapped reads bought nothing measurable
 * in the navigation and transfer benchmarks while a process's memory then
 * grows with the store (the transfer at 200,000 vehicles: 8.8 MB peak with
 * this cache, 31.7 MB with 32 MB, the same bytes written, more CPU).
 * Temporary files stay SQLite's default too: since the insert of a record
 * needs no statement journal (Session::InsertRecord), temp_store=MEMORY
 * bought nothing measurable in bench/sql, while a large sort would then hold
 * its rows in memory. */
#define LURDB_CONNECTION_PRAGMAS "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA cache_size=-2000"
