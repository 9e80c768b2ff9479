// The four operations and their thread bodies. Workers report only through
// installState and end by switching the wizard to page 16 or 17.
#pragma once

void InstallSequence();
void RepairSequence();
void ModifySequence();
void RemoveSequence();

unsigned InstallWorkerThread(void*);
unsigned RepairWorkerThread(void*);
unsigned ModifyWorkerThread(void*);
unsigned RemoveWorkerThread(void*);
