/* A resource-only DLL needs one object file. */
int norvo_version_fixture;
