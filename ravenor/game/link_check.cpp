// link_check.cpp -- the program of a section linked alone: it calls
// nothing; linking it finds any call of the section into a section above it
int main()
{
    return 0;
}
