// Deleting an installation by name, never by enumeration; User\ always stays.
#pragma once

// 0 when installDir does not exist (nothing done), else 1.
int RemoveInstalledFiles();
