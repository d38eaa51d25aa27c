#!/usr/bin/python3
"""Writes a copy of a float ONNX model whose convolutions and matrix products use 8-bit integer weights.

Usage: quantize_models.py SOURCE.onnx TARGET.onnx [--min-channels N] [--no-conv] [--no-matmul]

Dynamic quantization: every activation that enters a rewritten operator is quantized at run time to uint8
over its own range (DynamicQuantizeLinear), so nothing needs calibrating. Weights get a scale per output
channel, symmetric around the zero point 128 (the runtime's integer convolution takes unsigned weights with a
single zero point); the products are scaled back to float and the bias added in float. Grouped
(depthwise) convolutions stay float: the integer kernel runs them one group at a time. --min-channels N
keeps convolutions with fewer than N input or output channels float, --no-conv all convolutions,
--no-matmul all matrix products. The output is the same bytes for the same input.
"""

import argparse

import numpy as np
import onnx
from onnx import helper, numpy_helper, version_converter, TensorProto


def constant_weights(graph):
    """Name -> array of every initializer and Constant node output."""
    weights = {init.name: numpy_helper.to_array(init) for init in graph.initializer}
    for node in graph.node:
        if node.op_type == "Constant" and len(node.attribute) == 1 and node.attribute[0].name == "value":
            weights[node.output[0]] = numpy_helper.to_array(node.attribute[0].t)
    return weights


def quantize_weight(w, axis):
    """uint8 weights (zero point 128) and float32 scales, one per index of `axis`."""
    moved = np.moveaxis(w.astype(np.float64), axis, 0)
    peak = np.abs(moved.reshape(moved.shape[0], -1)).max(axis=1)
    scale = np.where(peak > 0, peak / 127.0, 1.0)
    shape = [-1] + [1] * (moved.ndim - 1)
    q = np.clip(np.rint(moved / scale.reshape(shape)), -127, 127) + 128
    return np.moveaxis(q.astype(np.uint8), 0, axis), scale.astype(np.float32)


class Rewriter:
    def __init__(self, model):
        self.weights = constant_weights(model.graph)
        self.new_inits = []
        self.counter = 0

    def name(self, base):
        self.counter += 1
        return f"q8_{self.counter}_{base}"

    def init(self, base, array):
        name = self.name(base)
        self.new_inits.append(numpy_helper.from_array(array, name))
        return name

    def dynamic_input(self, x, nodes):
        q, s, z = self.name("x"), self.name("x_scale"), self.name("x_zero")
        nodes.append(helper.make_node("DynamicQuantizeLinear", [x], [q, s, z], name=self.name("dql")))
        return q, s, z

    def rescale(self, int_out, x_scale, w_scale, bias, out, nodes):
        """float out = int_out * x_scale * w_scale (+ bias)."""
        as_float, combined = self.name("f"), self.name("scale")
        nodes.append(helper.make_node("Cast", [int_out], [as_float], to=TensorProto.FLOAT, name=self.name("cast")))
        nodes.append(helper.make_node("Mul", [x_scale, self.init("w_scale", w_scale)], [combined],
                                      name=self.name("mul")))
        scaled = out if bias is None else self.name("scaled")
        nodes.append(helper.make_node("Mul", [as_float, combined], [scaled], name=self.name("mul")))
        if bias is not None:
            nodes.append(helper.make_node("Add", [scaled, self.init("bias", bias)], [out], name=self.name("add")))

    def conv(self, node, w, bias):
        attrs = {a.name: helper.get_attribute_value(a) for a in node.attribute}
        qw, scale = quantize_weight(w, 0)
        nodes = []
        q, s, z = self.dynamic_input(node.input[0], nodes)
        acc = self.name("acc")
        nodes.append(helper.make_node("ConvInteger", [q, self.init("w", qw), z, self.init("w_zero", np.uint8(128))],
                                      [acc], name=self.name("convint"), **attrs))
        channels = (1, w.shape[0], 1, 1)
        self.rescale(acc, s, scale.reshape(channels),
                     None if bias is None else bias.astype(np.float32).reshape(channels), node.output[0], nodes)
        return nodes

    def matmul(self, node, w):
        qw, scale = quantize_weight(w, w.ndim - 1)
        nodes = []
        q, s, z = self.dynamic_input(node.input[0], nodes)
        acc = self.name("acc")
        nodes.append(helper.make_node("MatMulInteger", [q, self.init("w", qw), z, self.init("w_zero", np.uint8(128))],
                                      [acc], name=self.name("matmulint")))
        self.rescale(acc, s, scale, None, node.output[0], nodes)
        return nodes


def quantize(model, convs, matmuls, min_channels):
    rw = Rewriter(model)
    graph = model.graph
    out_nodes = []
    rewritten = 0
    for node in graph.node:
        replacement = None
        if convs and node.op_type == "Conv":
            group = next((helper.get_attribute_value(a) for a in node.attribute if a.name == "group"), 1)
            w = rw.weights.get(node.input[1])
            has_bias = len(node.input) > 2 and node.input[2] != ""
            bias = rw.weights.get(node.input[2]) if has_bias else None
            # Weights and bias must be constants to be quantized once, here.
            if group == 1 and w is not None and min(w.shape[:2]) >= min_channels and (bias is not None or not has_bias):
                replacement = rw.conv(node, w, bias)
        elif matmuls and node.op_type == "MatMul":
            w = rw.weights.get(node.input[1])
            if w is not None and w.ndim == 2:
                replacement = rw.matmul(node, w)
        if replacement is None:
            out_nodes.append(node)
        else:
            out_nodes.extend(replacement)
            rewritten += 1
    # Constants whose only readers were rewritten would be dead weight in the file.
    used = {i for n in out_nodes for i in n.input} | {o.name for o in graph.output}
    out_nodes = [n for n in out_nodes if n.op_type != "Constant" or n.output[0] in used]
    inits = [i for i in graph.initializer if i.name in used] + rw.new_inits
    del graph.node[:]
    graph.node.extend(out_nodes)
    del graph.initializer[:]
    graph.initializer.extend(inits)
    return rewritten


def onnx_opset(model):
    return next((o.version for o in model.opset_import if o.domain in ("", "ai.onnx")), 0)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("source")
    parser.add_argument("target")
    parser.add_argument("--min-channels", type=int, default=0)
    parser.add_argument("--no-conv", action="store_true")
    parser.add_argument("--no-matmul", action="store_true")
    args = parser.parse_args()
    model = onnx.load(args.source)
    if onnx_opset(model) < 10:
        # The integer operators came with opset 10; the converter rewrites the operators whose form changed.
        model = version_converter.convert_version(model, 11)
    count = quantize(model, not args.no_conv, not args.no_matmul, args.min_channels)
    onnx.checker.check_model(model)
    onnx.save(model, args.target)
    print(f"{args.target}: {count} operators with 8-bit weights")


if __name__ == "__main__":
    main()
