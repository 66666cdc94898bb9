package com.zarvel.quorvexservice.contract;

import java.util.ArrayList;
import java.util.List;

/** JNI descriptors written as Java declarations and types, for the report. */
final class Descriptors {
    private Descriptors() {}

    /** "static long dsdk_create()" for a static method of descriptor ()J. */
    static String method(ClassFile.Member method) {
        return (method.isStatic() ? "static " : "") + method(method.name(), method.descriptor());
    }

    /** "ApiNative.DSDKScanCard dsdk_scan_card(long, int)" for a method descriptor and name. */
    static String method(String name, String descriptor) {
        int close = descriptor.indexOf(')');
        return type(descriptor.substring(close + 1)) + " " + name + parameters(descriptor);
    }

    /** "(int, long)" for the method descriptor (IJ)V. */
    static String parameters(String descriptor) {
        List<String> parameters = new ArrayList<>();
        int at = 1;
        while (descriptor.charAt(at) != ')') {
            int end = typeEnd(descriptor, at);
            parameters.add(type(descriptor.substring(at, end)));
            at = end;
        }
        return "(" + String.join(", ", parameters) + ")";
    }

    /** "int" for I, "String" for Ljava/lang/String;, "byte[]" for [B. */
    static String type(String descriptor) {
        switch (descriptor.charAt(0)) {
            case '[': return type(descriptor.substring(1)) + "[]";
            case 'L': {
                String name = descriptor.substring(1, descriptor.length() - 1);
                return name.substring(name.lastIndexOf('/') + 1).replace('$', '.');
            }
            case 'Z': return "boolean";
            case 'B': return "byte";
            case 'C': return "char";
            case 'S': return "short";
            case 'I': return "int";
            case 'J': return "long";
            case 'F': return "float";
            case 'D': return "double";
            case 'V': return "void";
            default: return descriptor;
        }
    }

    private static int typeEnd(String descriptor, int at) {
        while (descriptor.charAt(at) == '[') {
            at++;
        }
        return descriptor.charAt(at) == 'L' ? descriptor.indexOf(';', at) + 1 : at + 1;
    }
}
