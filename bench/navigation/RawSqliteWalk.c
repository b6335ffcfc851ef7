/* The navigation benchmark's pattern straight on SQLite, for comparison: a
 * seek for every move by key and one for every keyed find (one statement
 * per call, each prepared once), on the benchmark service's own store with
 * the library's connection settings. Returns the number of vehicles walked,
 * or -1 with a message on stderr when something fails or a log row is
 * missing. */
#include "RawSqliteWalk.h"

#include <sqlite3.h>
#include <stdio.h>

#include "StoreTuning.h"

static int Prepare(sqlite3* db, const char* sql, sqlite3_stmt** statement) {
    if (sqlite3_prepare_v2(db, sql, -1, statement, NULL) != SQLITE_OK) {
        fprintf(stderr, "raw walk: %s\n", sqlite3_errmsg(db));
        return 0;
    }
    return 1;
}

long long RawSqliteWalk(const char* storePath, int inTransaction) {
    sqlite3* db = NULL;
    sqlite3_stmt* first = NULL;
    sqlite3_stmt* next = NULL;
    sqlite3_stmt* find = NULL;
    long long walked = -1;
    if (sqlite3_open_v2(storePath, &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, NULL) != SQLITE_OK) {
        fprintf(stderr, "raw walk: cannot open %s\n", storePath);
        sqlite3_close(db);
        return -1;
    }
    sqlite3_busy_timeout(db, 30000);
    sqlite3_exec(db, LURDB_CONNECTION_PRAGMAS, NULL, NULL, NULL);
    if (!Prepare(db, "SELECT rowid, \"ID\", \"PLATE\", \"LOGID\" FROM \"BENCH.VEHICLE\" ORDER BY \"ID\", rowid LIMIT 1",
                 &first) ||
        !Prepare(db,
                 "SELECT rowid, \"ID\", \"PLATE\", \"LOGID\" FROM \"BENCH.VEHICLE\" WHERE (\"ID\", rowid) > (?, ?) "
                 "ORDER BY \"ID\", rowid LIMIT 1",
                 &next) ||
        !Prepare(db, "SELECT rowid, \"LOGID\", \"CO2\" FROM \"BENCH.LOG\" WHERE \"LOGID\" = ? ORDER BY rowid LIMIT 1",
                 &find)) {
        goto done;
    }
    if (inTransaction && sqlite3_exec(db, "BEGIN IMMEDIATE", NULL, NULL, NULL) != SQLITE_OK) {
        fprintf(stderr, "raw walk: %s\n", sqlite3_errmsg(db));
        goto done;
    }
    {
        long long count = 0;
        sqlite3_stmt* move = first;
        while (sqlite3_step(move) == SQLITE_ROW) {
            const long long rowid = sqlite3_column_int64(move, 0);
            const long long id = sqlite3_column_int64(move, 1);
            const unsigned char* plate = sqlite3_column_text(move, 2);
            const long long logId = sqlite3_column_int64(move, 3);
            (void)plate;
            sqlite3_reset(move);
            ++count;
            sqlite3_bind_int64(find, 1, logId);
            if (sqlite3_step(find) != SQLITE_ROW) {
                fprintf(stderr, "raw walk: no log row %lld\n", logId);
                sqlite3_reset(find);
                goto done;
            }
            (void)sqlite3_column_double(find, 2);
            sqlite3_reset(find);
            move = next;
            sqlite3_bind_int64(next, 1, id);
            sqlite3_bind_int64(next, 2, rowid);
        }
        sqlite3_reset(move);
        walked = count;
    }
    if (inTransaction) {
        sqlite3_exec(db, "COMMIT", NULL, NULL, NULL);
    }
done:
    sqlite3_finalize(first);
    sqlite3_finalize(next);
    sqlite3_finalize(find);
    sqlite3_close(db);
    return walked;
}
