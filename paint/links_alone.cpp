// The program that proves the paint library links with QtGui alone (CMakeLists.txt): it
// does nothing; linking it is the check.
int main()
{
    return 0;
}
