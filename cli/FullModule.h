#pragma once

// The rest of the program (FullProgram.cpp), a module that the quick program loads on demand,
// so that Qt Gui, FreeImage and fonts load only for the jobs that use them.
namespace FullModule {

// The module's entry of that name, the module loaded first; null when it cannot be loaded or
// has no such entry, which has then been said.
void* entry(const char* name);

} // namespace FullModule
