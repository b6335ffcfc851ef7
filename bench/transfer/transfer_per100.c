/* The emission-data transfer written straight on SQLite, as a yardstick for
 * Varnok: the same reads (the vehicles walked by key with one statement per
 * move, the link and the log row found by key), the same rules, and a commit
 * after every 100 changed rows, with the connection settings of the client
 * library's stores.
 *
 *   transfer_per100 STORE
 *
 * Exit status 0 when done, 1 on a failure (reported on stderr). */
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "StoreTuning.h"

static sqlite3* db;

static void Fail(const char* what) {
    fprintf(stderr, "transfer_per100: %s: %s\n", what, sqlite3_errmsg(db));
    exit(1);
}

static sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* statement = NULL;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, NULL) != SQLITE_OK) Fail(sql);
    return statement;
}

static void Exec(const char* sql) {
    if (sqlite3_exec(db, sql, NULL, NULL, NULL) != SQLITE_OK) Fail(sql);
}

/* A text column into buf (NULL as empty). */
static void TakeText(sqlite3_stmt* statement, int column, char* buf, size_t size) {
    const char* text = (const char*)sqlite3_column_text(statement, column);
    snprintf(buf, size, "%s", text ? text : "");
}

/* The class of a log code "000...0001" to "000...0017" (23 characters), 0 for
 * any other text. */
static int EmissionClass(const char* code) {
    if (code == NULL || strlen(code) != 23 || strspn(code, "0123456789") != 23) return 0;
    const long value = strtol(code, NULL, 10);
    return value >= 1 && value <= 17 ? (int)value : 0;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: transfer_per100 STORE\n");
        return 2;
    }
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, NULL) != SQLITE_OK) Fail(argv[1]);
    sqlite3_busy_timeout(db, 30000);
    Exec(LURDB_CONNECTION_PRAGMAS);

    const char* columns = "SELECT rowid, GJ_ID, GJ_TELJESITMENY, GJ_TERFOGAT, EMC_ID, GJ_OSSZTOMEG FROM \"CAR.GEPJARMU\" ";
    char sql[512];
    snprintf(sql, sizeof sql, "%sORDER BY GJ_ID, rowid LIMIT 1", columns);
    sqlite3_stmt* first = Prepare(sql);
    snprintf(sql, sizeof sql, "%sWHERE (GJ_ID, rowid) > (?, ?) ORDER BY GJ_ID, rowid LIMIT 1", columns);
    sqlite3_stmt* next = Prepare(sql);
    sqlite3_stmt* link = Prepare("SELECT K_GJ_ID FROM \"RUZ_OS7.GEPJLINK\" WHERE S_GJ_ID = ? ORDER BY rowid LIMIT 1");
    sqlite3_stmt* log = Prepare(
        "SELECT GJ_MOTORTELJ, GJ_HENGERURT, KVO_ID, GJ_LEGNTOMEG FROM \"RUZNAPLO.GEPJARMU\" WHERE GJ_ID = ? "
        "ORDER BY rowid LIMIT 1");
    sqlite3_stmt* update = Prepare(
        "UPDATE \"CAR.GEPJARMU\" SET GJ_TELJESITMENY = ?, GJ_TERFOGAT = ?, EMC_ID = ?, GJ_OSSZTOMEG = ? WHERE rowid = ?");

    int inTransaction = 0;
    int changedInTransaction = 0;
    sqlite3_stmt* move = first;
    for (;;) {
        int rc = sqlite3_step(move);
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) Fail("move");
        const long long rowid = sqlite3_column_int64(move, 0);
        const long long id = sqlite3_column_int64(move, 1);
        char power[32];
        char volume[32];
        TakeText(move, 2, power, sizeof power);
        TakeText(move, 3, volume, sizeof volume);
        long long emission = sqlite3_column_int64(move, 4);
        long long mass = sqlite3_column_int64(move, 5);
        sqlite3_reset(move);
        int changed = 0;

        sqlite3_bind_int64(link, 1, id);
        rc = sqlite3_step(link);
        if (rc == SQLITE_ROW) {
            const long long logId = sqlite3_column_int64(link, 0);
            sqlite3_reset(link);
            sqlite3_bind_int64(log, 1, logId);
            if (sqlite3_step(log) != SQLITE_ROW) Fail("no log record");
            const long long logPower = sqlite3_column_int64(log, 0);
            const long long logVolume = sqlite3_column_int64(log, 1);
            const int logClass = EmissionClass((const char*)sqlite3_column_text(log, 2));
            const long long logMass = sqlite3_column_int64(log, 3);
            sqlite3_reset(log);
            if (power[0] == '\0' && logPower > 0) {
                snprintf(power, sizeof power, "%lld", logPower);
                changed = 1;
            }
            if (volume[0] == '\0' && logVolume > 0) {
                snprintf(volume, sizeof volume, "%lld", logVolume);
                changed = 1;
            }
            if (emission == 0 && logClass != 0) {
                emission = logClass;
                changed = 1;
            }
            if (mass == 0 && logMass > 0) {
                mass = logMass;
                changed = 1;
            }
        } else if (rc == SQLITE_DONE) {
            sqlite3_reset(link);
        } else {
            Fail("link");
        }
        if (emission == 0) {
            emission = -1;
            changed = 1;
        }
        if (changed) {
            if (!inTransaction) {
                Exec("BEGIN IMMEDIATE");
                inTransaction = 1;
                changedInTransaction = 0;
            }
            sqlite3_bind_text(update, 1, power, -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(update, 2, volume, -1, SQLITE_TRANSIENT);
            sqlite3_bind_int64(update, 3, emission);
            sqlite3_bind_int64(update, 4, mass);
            sqlite3_bind_int64(update, 5, rowid);
            if (sqlite3_step(update) != SQLITE_DONE) Fail("update");
            sqlite3_reset(update);
            if (++changedInTransaction >= 100) {
                Exec("COMMIT");
                inTransaction = 0;
            }
        }
        move = next;
        sqlite3_bind_int64(next, 1, id);
        sqlite3_bind_int64(next, 2, rowid);
    }
    if (inTransaction) Exec("COMMIT");
    sqlite3_finalize(first);
    sqlite3_finalize(next);
    sqlite3_finalize(link);
    sqlite3_finalize(log);
    sqlite3_finalize(update);
    sqlite3_close(db);
    return 0;
}
