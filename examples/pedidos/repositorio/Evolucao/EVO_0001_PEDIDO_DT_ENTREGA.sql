-- Versão 1.1: previsão de entrega do pedido.
ALTER TABLE PEDIDO ADD DT_ENTREGA DATETIME NULL
