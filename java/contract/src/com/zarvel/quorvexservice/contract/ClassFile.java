package com.zarvel.quorvexservice.contract;

import java.io.ByteArrayInputStream;
import java.io.DataInputStream;
import java.io.IOException;
import java.util.ArrayList;
import java.util.List;

/**
 * The names and descriptors of a compiled class, read from its class file without loading it:
 * no static initialiser runs, and classes that its signatures name need not exist.
 */
final class ClassFile {
    /** A field or method: its name, JNI descriptor and whether it is static or native. */
    record Member(String name, String descriptor, int access) {
        boolean isStatic() {
            return (access & ACC_STATIC) != 0;
        }

        boolean isNative() {
            return (access & ACC_NATIVE) != 0;
        }
    }

    static final int ACC_STATIC = 0x0008;
    static final int ACC_NATIVE = 0x0100;
    private static final int MAGIC = 0xCAFEBABE;

    // Constant pool tags and the bytes their entries take after the tag.
    private static final int TAG_UTF8 = 1;
    private static final int TAG_LONG = 5;
    private static final int TAG_DOUBLE = 6;

    final String name;
    final String superName; // null for java/lang/Object
    final List<Member> fields = new ArrayList<>();
    final List<Member> methods = new ArrayList<>();

    private ClassFile(String name, String superName) {
        this.name = name;
        this.superName = superName;
    }

    static ClassFile read(byte[] bytes) throws IOException {
        DataInputStream in = new DataInputStream(new ByteArrayInputStream(bytes));
        if (in.readInt() != MAGIC) {
            throw new IOException("not a class file");
        }
        in.readUnsignedShort(); // minor version
        in.readUnsignedShort(); // major version
        int count = in.readUnsignedShort();
        String[] utf8 = new String[count];
        int[] classNameIndex = new int[count];
        for (int i = 1; i < count; i++) {
            int tag = in.readUnsignedByte();
            switch (tag) {
                case TAG_UTF8 -> utf8[i] = in.readUTF();
                case 7 -> classNameIndex[i] = in.readUnsignedShort(); // Class
                case 8, 16, 19, 20 -> in.readUnsignedShort(); // String, MethodType, Module, Package
                case 3, 4, 9, 10, 11, 12, 17, 18 -> in.readInt(); // four bytes
                case 15 -> { // MethodHandle
                    in.readUnsignedByte();
                    in.readUnsignedShort();
                }
                case TAG_LONG, TAG_DOUBLE -> {
                    in.readLong();
                    i++; // takes two entries
                }
                default -> throw new IOException("unknown constant pool tag " + tag);
            }
        }
        in.readUnsignedShort(); // access flags
        String name = utf8[classNameIndex[in.readUnsignedShort()]];
        int superIndex = in.readUnsignedShort();
        ClassFile file = new ClassFile(name, superIndex == 0 ? null : utf8[classNameIndex[superIndex]]);
        int interfaces = in.readUnsignedShort();
        for (int i = 0; i < interfaces; i++) {
            in.readUnsignedShort();
        }
        readMembers(in, utf8, file.fields);
        readMembers(in, utf8, file.methods);
        return file;
    }

    private static void readMembers(DataInputStream in, String[] utf8, List<Member> into)
            throws IOException {
        int count = in.readUnsignedShort();
        for (int i = 0; i < count; i++) {
            int access = in.readUnsignedShort();
            String name = utf8[in.readUnsignedShort()];
            String descriptor = utf8[in.readUnsignedShort()];
            int attributes = in.readUnsignedShort();
            for (int a = 0; a < attributes; a++) {
                in.readUnsignedShort();
                in.skipNBytes(Integer.toUnsignedLong(in.readInt()));
            }
            into.add(new Member(name, descriptor, access));
        }
    }
}
