package com.zarvel.quorvexservice.testing;

import java.io.File;
import java.net.URL;
import java.net.URLClassLoader;

/**
 * Loads ApiNative from a folder of its own, with a copy of the bridge library of its own (the JVM
 * binds one library file to one class loader), so that tests can run the bridge against class
 * sets that lack classes, constructors or fields.
 */
public final class VariantLoader extends URLClassLoader {
    private final String library;

    private VariantLoader(URL folder, String library) {
        super(new URL[] {folder}, null);
        this.library = library;
    }

    @Override
    protected String findLibrary(String name) {
        return "palmbridge".equals(name) ? library : null;
    }

    public static Class<?> load(String folder, String library) throws Exception {
        VariantLoader loader = new VariantLoader(new File(folder).toURI().toURL(), library);
        return Class.forName("com.zarvel.quorvexservice.apinative.ApiNative", true, loader);
    }
}
