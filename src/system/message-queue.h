// The program's message queue, which long work empties between steps so
// that its windows stay alive.
#pragma once

// Handles the waiting window messages but leaves a close request or the
// quit message queued for the loop that owns it, then yields the processor
// once. Always 1.
int PumpMessages();
