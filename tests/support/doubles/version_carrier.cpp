// Does nothing: only the resources of the programs built from it are read.
int wmain() { return 0; }
