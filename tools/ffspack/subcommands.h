// The packer's subcommands, one file each. A subcommand receives the
// arguments after its name and returns the process's exit status.
#pragma once

#include <string>
#include <vector>

using Arguments = std::vector<std::string>;

// Exit statuses shared by all subcommands.
const int EXIT_OK = 0;
const int EXIT_FAILED = 1;
const int EXIT_USAGE = 2;

int RunPack(const Arguments& arguments);
int RunUnpack(const Arguments& arguments);
int RunDecodeRegistration(const Arguments& arguments);
int RunCheck(const Arguments& arguments);
int RunKeygen(const Arguments& arguments);
int RunSign(const Arguments& arguments);
int RunVerify(const Arguments& arguments);
int RunPublish(const Arguments& arguments);
