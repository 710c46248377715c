#include "tests/gl/TestSymbols.h"

#include "model/Model.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace gltest {

namespace fs = std::filesystem;

void provideSymbols()
{
    for (const char* type : {"folder", "file"}) {
        const std::string target = std::string(kSymbolDir) + type + ".ASE";
        const std::string source = std::string(LUMENFOLD_SOURCE_DIR) + "/symbols/standard/" + type + ".ASE";
        // Other test processes may be doing the same: write aside, then rename.
        const std::string aside = target + "." + std::to_string(getpid());
        std::error_code ignored;
        if (fs::exists(source)) {
            fs::copy_file(source, aside, fs::copy_options::overwrite_existing, ignored);
        } else {
            std::ofstream(aside) << "*COMMENT \"test model\"\n"
                                    "\t\t*MATERIAL_AMBIENT 0.2 0.2 0.2\n"
                                    "\t\t*MATERIAL_DIFFUSE 0.8 0.7 0.2\n"
                                    "\t\t*MATERIAL_SPECULAR 0.1 0.1 0.1\n"
                                    "\t\t*MATERIAL_TRANSPARENCY 0.0\n"
                                    "\t\t\t*MESH_VERTEX    0\t0.0\t0.0\t0.0\n"
                                    "\t\t\t*MESH_VERTEX    1\t1.0\t0.0\t0.0\n"
                                    "\t\t\t*MESH_VERTEX    2\t0.0\t0.0\t1.0\n"
                                    "\t\t\t*MESH_FACE    0:    A:    0 B:    1 C:    2 AB:    1 BC:    1 CA:    1\t "
                                    "*MESH_SMOOTHING 1 \t*MESH_MTLID 0\n";
        }
        fs::rename(aside, target, ignored);
    }
}

} // namespace gltest
