// The program's own resources: its string table (ids 1-19, Hungarian) and
// its version resource.
#pragma once

// Registers both with the program's module; later calls do nothing. Call it
// first thing in main, before any text of the program is read.
void RegisterVarnokResources();

// String ids of the program's texts.
enum VarnokString {
    IDS_PROGRAM_NAME = 1,
    IDS_BUILD_DATE = 2,
    IDS_AUTHOR = 3,
    IDS_NAME_SERVICE = 4,
    IDS_NAME_USER = 5,
    IDS_NAME_PASSWORD = 6,
    IDS_HELP_SERVICE = 7,
    IDS_HELP_USER = 8,
    IDS_HELP_PASSWORD = 9,
    IDS_NAME_APP = 10,
    IDS_HELP_APP = 11,
    IDS_REPAIR_DONE = 12,
    IDS_CHECK_DONE = 13,
    IDS_TASK = 14,
    IDS_LABEL_CODE = 15,
    IDS_LABEL_TEXT = 16,
    IDS_LABEL_WHERE = 17,
    IDS_LABEL_EXCEPTION = 18,
    IDS_NOTHING_TO_MOVE = 19,
};
