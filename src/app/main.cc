// rptcarry: the carry-over report module.
int main() { return 0; }
