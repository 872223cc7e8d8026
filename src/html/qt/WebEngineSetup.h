#pragma once
// Process-wide preparation of Qt WebEngine, done once before the QApplication exists.

namespace folidex {

// Call first thing in main() (and in tests that create a CShelfView), before the
// QApplication object is constructed. Shares OpenGL contexts between the widgets and the web
// engine, and switches the Chromium sandbox off only when the process runs as root (where
// Chromium refuses to start with it); for every normal user it stays on.
void PrepareWebEngineProcess();

// True when PrepareWebEngineProcess switched the sandbox off for this process.
bool WebEngineSandboxDisabled();

}  // namespace folidex
