#pragma once

// Start-up and shut-down of the embedded browser engine, before and after the application
// object: sandbox off, the application log, shared GL contexts.
namespace engine {

void initialize(int argc, char** argv);
void shutdown();

} // namespace engine
