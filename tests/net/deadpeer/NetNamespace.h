// A network namespace of the test process's own, entered before any thread
// starts, so that a test may take its loopback down without touching the
// machine's.
#pragma once

// Enters a new network namespace (through a user namespace when the process
// is not privileged) and brings its loopback up. False when the machine does
// not allow it; the process then stays where it was.
bool EnterPrivateNetwork();
// True once EnterPrivateNetwork succeeded in this process.
bool InPrivateNetwork();
// Takes the private namespace's loopback up or down; false outside one.
bool SetLoopbackUp(bool up);
