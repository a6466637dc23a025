/* A library for the GetProcByName tests: each procedure returns its own
 * number, so the test sees which export a lookup found. The exported names
 * come from the generated .def file. */
int procTwin(void) { return 1; }
int procTwinA(void) { return 2; }
int procP254(void) { return 3; }
int procP255(void) { return 4; }
int procQ254A(void) { return 5; }
int procQ255(void) { return 6; }
