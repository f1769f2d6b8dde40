// vexa-cli compose: builds a bank from sounds of files and writes it. The
// command's arguments after the word "compose"; returns the exit code.
#pragma once

int RunCompose(int argc, char** argv);
