#pragma once

// Each subcommand of marevox-cli: argv[first..] are its arguments. Returns
// the process exit code; output to stdout, errors to stderr.
int CmdDecode(int argc, char** argv, int first);
int CmdFrame(int argc, char** argv, int first);
int CmdReplay(int argc, char** argv, int first);
int CmdInfo(int argc, char** argv, int first);
int CmdReindex(int argc, char** argv, int first);
int CmdSentence(int argc, char** argv, int first);
int CmdEdit(int argc, char** argv, int first);
// Only in the full build (GDAL and PROJ).
int CmdExport(int argc, char** argv, int first);
// Only in builds with Qt (the serial port; the echogram's column code).
int CmdLive(int argc, char** argv, int first);
int CmdChart(int argc, char** argv, int first);
