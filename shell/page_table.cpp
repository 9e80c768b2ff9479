// The page table: one row of five handlers per page, each row on one line.
#include "page_table.h"

#include "../wizard/pages.h"
#include "shell_state.h"

#define NO NoInput
const PageHandlers pageTable[kPageRows] = {
    /*  0 */ {StartPageEnter, StartPageKey, StartPageMouseMove, StartPageButtonDown, StartPageButtonUp},
    /*  1 */ {ChoicePageEnter, ChoicePageKey, ChoicePageMouseMove, ChoicePageButtonDown, ChoicePageButtonUp},
    /*  2 */ {ModifyOptionsEnter, ModifyOptionsKey, FeatureMouseMove, FeatureButtonDown, ModifyOptionsButtonUp},
    /*  3 */ {RepairProgressEnter, ProgressKey, SingleButtonMouseMove, SingleButtonDown, ProgressButtonUp},
    /*  4 */ {RemoveProgressEnter, ProgressKey, SingleButtonMouseMove, SingleButtonDown, ProgressButtonUp},
    /*  5 */ {ModifyProgressEnter, ProgressKey, SingleButtonMouseMove, SingleButtonDown, ProgressButtonUp},
    /*  6 */ {LicencePageEnter, LicencePageKey, LicencePageMouseMove, LicencePageButtonDown, LicencePageButtonUp},
    /*  7 */ {InstallTypeEnter, InstallTypeKey, InstallTypeMouseMove, InstallTypeButtonDown, InstallTypeButtonUp},
    /*  8 */ {InstallFolderEnter, InstallFolderKey, InstallFolderMouseMove, InstallFolderButtonDown, InstallFolderButtonUp},
    /*  9 */ {FeaturePageEnter, FeaturePageKey, FeatureMouseMove, FeatureButtonDown, FeaturePageButtonUp},
    /* 10 */ {PassThroughEnter, NO, NO, NO, NO},
    /* 11 */ {InstallProgressEnter, InstallProgressKey, SingleButtonMouseMove, SingleButtonDown, InstallProgressButtonUp},
    /* 12 */ {EmptyPageEnter, NO, NO, NO, NO},
    /* 13 */ {EmptyPageEnter, NO, NO, NO, NO},
    /* 14 */ {EmptyPageEnter, NO, NO, NO, NO},
    /* 15 */ {EmptyPageEnter, NO, NO, NO, NO},
    /* 16 */ {ErrorPageEnter, EndPageKey, SingleButtonMouseMove, SingleButtonDown, EndPageButtonUp},
    /* 17 */ {CompletionPageEnter, EndPageKey, SingleButtonMouseMove, SingleButtonDown, EndPageButtonUp},
    /* 18 */ {EmptyPageEnter, NO, NO, NO, NO},
    /* 19 */ {EmptyPageEnter, NO, NO, NO, NO},
    /* 20 */ {EmptyPageEnter, NO, NO, NO, NO},
    // Rows 21-31: no page switches to them; they hold the empty set so that
    // every row stays callable.
    /* 21 */ {EmptyPageEnter, NO, NO, NO, NO},
    /* 22 */ {EmptyPageEnter, NO, NO, NO, NO},
    /* 23 */ {EmptyPageEnter, NO, NO, NO, NO},
    /* 24 */ {EmptyPageEnter, NO, NO, NO, NO},
    /* 25 */ {EmptyPageEnter, NO, NO, NO, NO},
    /* 26 */ {EmptyPageEnter, NO, NO, NO, NO},
    /* 27 */ {EmptyPageEnter, NO, NO, NO, NO},
    /* 28 */ {EmptyPageEnter, NO, NO, NO, NO},
    /* 29 */ {EmptyPageEnter, NO, NO, NO, NO},
    /* 30 */ {EmptyPageEnter, NO, NO, NO, NO},
    /* 31 */ {EmptyPageEnter, NO, NO, NO, NO},
};
#undef NO
static_assert(sizeof(pageTable) / sizeof(pageTable[0]) == 32, "the page table has 32 rows");
