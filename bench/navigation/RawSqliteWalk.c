/* The navigation benchmark's pattern straight on SQLite, for comparison: a
 * seek for every move by key and one for every keyed find (one statement
 * per call, each prepared once), on the benchmark service's own store with
 * the library's connection settings. */
#include "RawSqliteWalk.h"

#include <limits.h>
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>

#include "StoreTuning.h"

struct RawWalk {
    sqlite3* db;
    sqlite3_stmt* first;
    sqlite3_stmt* next;
    sqlite3_stmt* find;
    sqlite3_stmt* move; /* first until the first vehicle is read, then next; null at the end */
    int inTransaction;
};

static int Prepare(sqlite3* db, const char* sql, sqlite3_stmt** statement) {
    if (sqlite3_prepare_v2(db, sql, -1, statement, NULL) != SQLITE_OK) {
        fprintf(stderr, "raw walk: %s\n", sqlite3_errmsg(db));
        return 0;
    }
    return 1;
}

void RawWalkClose(RawWalk* walk) {
    if (walk == NULL) {
        return;
    }
    if (walk->inTransaction && sqlite3_get_autocommit(walk->db) == 0) {
        sqlite3_exec(walk->db, "COMMIT", NULL, NULL, NULL);
    }
    sqlite3_finalize(walk->first);
    sqlite3_finalize(walk->next);
    sqlite3_finalize(walk->find);
    sqlite3_close(walk->db);
    free(walk);
}

RawWalk* RawWalkOpen(const char* storePath, int inTransaction) {
    RawWalk* walk = calloc(1, sizeof *walk);
    if (walk == NULL) {
        return NULL;
    }
    walk->inTransaction = inTransaction;
    if (sqlite3_open_v2(storePath, &walk->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, NULL) != SQLITE_OK) {
        fprintf(stderr, "raw walk: cannot open %s\n", storePath);
        RawWalkClose(walk);
        return NULL;
    }
    sqlite3_busy_timeout(walk->db, 30000);
    sqlite3_exec(walk->db, LURDB_CONNECTION_PRAGMAS, NULL, NULL, NULL);
    if (!Prepare(walk->db,
                 "SELECT rowid, \"ID\", \"PLATE\", \"LOGID\" FROM \"BENCH.VEHICLE\" ORDER BY \"ID\", rowid LIMIT 1",
                 &walk->first) ||
        !Prepare(walk->db,
                 "SELECT rowid, \"ID\", \"PLATE\", \"LOGID\" FROM \"BENCH.VEHICLE\" WHERE (\"ID\", rowid) > (?, ?) "
                 "ORDER BY \"ID\", rowid LIMIT 1",
                 &walk->next) ||
        !Prepare(walk->db,
                 "SELECT rowid, \"LOGID\", \"CO2\" FROM \"BENCH.LOG\" WHERE \"LOGID\" = ? ORDER BY rowid LIMIT 1",
                 &walk->find)) {
        RawWalkClose(walk);
        return NULL;
    }
    if (inTransaction && sqlite3_exec(walk->db, "BEGIN IMMEDIATE", NULL, NULL, NULL) != SQLITE_OK) {
        fprintf(stderr, "raw walk: %s\n", sqlite3_errmsg(walk->db));
        RawWalkClose(walk);
        return NULL;
    }
    walk->move = walk->first;
    return walk;
}

long long RawWalkSteps(RawWalk* walk, long long count) {
    long long walked = 0;
    while (walk->move != NULL && walked < count) {
        sqlite3_stmt* move = walk->move;
        if (sqlite3_step(move) != SQLITE_ROW) {
            sqlite3_reset(move);
            walk->move = NULL;
            break;
        }
        const long long rowid = sqlite3_column_int64(move, 0);
        const long long id = sqlite3_column_int64(move, 1);
        const unsigned char* plate = sqlite3_column_text(move, 2);
        const long long logId = sqlite3_column_int64(move, 3);
        (void)plate;
        sqlite3_reset(move);
        ++walked;
        sqlite3_bind_int64(walk->find, 1, logId);
        if (sqlite3_step(walk->find) != SQLITE_ROW) {
            fprintf(stderr, "raw walk: no log row %lld\n", logId);
            sqlite3_reset(walk->find);
            return -1;
        }
        (void)sqlite3_column_double(walk->find, 2);
        sqlite3_reset(walk->find);
        walk->move = walk->next;
        sqlite3_bind_int64(walk->next, 1, id);
        sqlite3_bind_int64(walk->next, 2, rowid);
    }
    return walked;
}

long long RawSqliteWalk(const char* storePath, int inTransaction) {
    RawWalk* walk = RawWalkOpen(storePath, inTransaction);
    if (walk == NULL) {
        return -1;
    }
    const long long walked = RawWalkSteps(walk, LLONG_MAX);
    RawWalkClose(walk);
    return walked;
}
