import com.zarvel.quorvexservice.apinative.ApiNative;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Set;
import java.util.TreeSet;

/**
 * Loads palmbridge by its library name, makes two calls and prints where the process took each
 * library of the pair from (the files mapped into it).
 */
public final class LibraryProbe {
    public static void main(String[] args) throws IOException {
        long handle = ApiNative.dsdk_create();
        int added = ApiNative.dsdk_add_device(handle, 1);
        System.out.println("handle " + handle + ", dsdk_add_device " + added);
        Set<String> libraries = new TreeSet<>();
        for (String line : Files.readAllLines(Path.of("/proc/self/maps"))) {
            int path = line.indexOf('/');
            if (path >= 0 && (line.endsWith("/libpalmbridge.so") || line.endsWith("/libdevicesdk5.so"))) {
                libraries.add(line.substring(path));
            }
        }
        for (String library : libraries) {
            System.out.println("loaded " + library);
        }
    }
}
